#pragma once

#include <QObject>
#include <memory>

namespace zumora {

class MenuWindow;
class NoteWindow;

// Owns the program's two windows and carries the user from one to the other. MENU is created
// and shown at start-up; NOTE is created the first time it is needed. Each window is built
// once and afterwards only hidden and shown, so it keeps its texts, selection and position.
class ApplicationController : public QObject {
    Q_OBJECT

public:
    ApplicationController();
    ~ApplicationController() override;

    void start();

    MenuWindow& menu();
    // Creates, builds and centres NOTE on first use, leaving it hidden.
    NoteWindow& note();
    // NOTE if it has been created; tests use this to see that it has not been.
    NoteWindow* note_if_loaded() const { return m_note.get(); }

    // Ends the program at once, with exit status 0. No window handler runs after it.
    void end_program();

private:
    void open_notebook();
    void calculate();
    void clear();
    void back_to_menu();
    void note_closed();

    std::unique_ptr<MenuWindow> m_menu;
    std::unique_ptr<NoteWindow> m_note;
    bool m_ending = false;
};

} // namespace zumora
