#pragma once

#include "calc_kinds.h"
#include "window_design.h"

#include <QWidget>
#include <optional>

class QButtonGroup;

namespace zumora {

// MENU: the user picks one of the six calculation kinds and opens the notebook. The option
// group is the one place where the selected kind is held.
class MenuWindow : public QWidget {
    Q_OBJECT

public:
    explicit MenuWindow(QWidget* parent = nullptr);

    // The kind whose option is selected, testing Option1 to Option6 in turn; none before the
    // user has selected one.
    std::optional<CalcKind> selected_kind() const;

signals:
    void openNotebookRequested();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QButtonGroup* m_options;
};

} // namespace zumora
