#include "application.h"

#include "calc_kinds.h"
#include "japanese_font.h"
#include "line_edit_accessible.h"
#include "menu_window.h"
#include "note_window.h"
#include "number_text.h"
#include "window_placement.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>

namespace zumora {

ApplicationController::ApplicationController() {
    // Before any window and its text boxes exist, so that every box reads whole.
    install_line_edit_accessibility();
}

ApplicationController::~ApplicationController() = default;

void ApplicationController::start() {
    // Closing either window ends the program through end_program, which also sets the exit
    // status; hiding one window to show the other must never end it.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Lets the desktop tie the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.zumora.Zumora"));
    MenuWindow& window = menu();
    window.show();
    // One icon for both windows, embedded in the program. Decoding it after the menu has been
    // asked onto the screen lets the work overlap with the window manager's mapping.
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/zumora/zumora.png")));
    // Without a Japanese font every caption is an empty box; the user is told why, once.
    if (const QString missing = missing_japanese_font_message(); !missing.isEmpty())
        qWarning("%s", qPrintable(missing));
}

MenuWindow& ApplicationController::menu() {
    if (!m_menu) {
        m_menu = std::make_unique<MenuWindow>();
        // The pointer is on the monitor the user launched the program from.
        center_on_screen(*m_menu, monitor_under_pointer());
        connect(m_menu.get(), &MenuWindow::openNotebookRequested, this,
                &ApplicationController::open_notebook);
        connect(m_menu.get(), &MenuWindow::closed, this, &ApplicationController::end_program);
    }
    return *m_menu;
}

NoteWindow& ApplicationController::note() {
    if (!m_note) {
        m_note = std::make_unique<NoteWindow>();
        // The notebook is opened from the menu, on the monitor where the user has the menu,
        // wherever it has been dragged. Both windows get the same frame from the window manager,
        // so the menu's frame, known once the menu has been on screen, tells the notebook's
        // outer size before it is mapped.
        const MenuWindow& from = menu();
        center_on_screen(*m_note, monitor_showing(from), frame_margins(from));
        connect(m_note.get(), &NoteWindow::calculateRequested, this,
                &ApplicationController::calculate);
        connect(m_note.get(), &NoteWindow::clearRequested, this, &ApplicationController::clear);
        connect(m_note.get(), &NoteWindow::backRequested, this,
                &ApplicationController::back_to_menu);
        connect(m_note.get(), &NoteWindow::closed, this, &ApplicationController::note_closed);
    }
    return *m_note;
}

void ApplicationController::open_notebook() {
    menu().hide();
    NoteWindow& notebook = note();
    notebook.show();
    notebook.focus_first_entry();
    // The captions are written after the notebook is on screen; with no option selected the
    // labels keep what they showed before.
    if (const std::optional<CalcKind> kind = menu().selected_kind())
        notebook.apply_kind_captions(*kind);
}

void ApplicationController::calculate() {
    NoteWindow& notebook = note();
    const QString first = notebook.first_entry();
    const QString second = notebook.second_entry();
    if (!entries_present(first, second))
        return;
    const std::optional<CalcKind> kind = menu().selected_kind();
    if (!kind)
        return;
    const Evaluation evaluation = evaluate_kind(*kind, first, second);
    if (evaluation.succeeded())
        notebook.show_result(evaluation.text);
    else
        notebook.show_failure(evaluation.code);
}

void ApplicationController::clear() {
    note().clear_boxes();
}

void ApplicationController::back_to_menu() {
    NoteWindow& notebook = note();
    notebook.clear_boxes();
    notebook.hide();
    menu().show();
}

void ApplicationController::note_closed() {
    // The hidden menu is closed first; its own close handler ends the program.
    menu().close();
    end_program();
}

void ApplicationController::end_program() {
    if (m_ending)
        return;
    m_ending = true;
    if (m_note)
        m_note->hide();
    m_menu->hide();
    QCoreApplication::exit(0);
}

} // namespace zumora
