// A long seeded session of random user actions on the real program, each followed by a check of
// everything the user can see against a plain model of what the session should have led to.
// The model works each calculation out apart from the program: the entries by the rules users
// are given, the formula in plain doubles, the result text from the value's exact decimal
// expansion. At the end the session must have reached a result and every kind of failure.
//
// ZUMORA_SESSION_SEED and ZUMORA_SESSION_ACTIONS override the seed and the number of actions; a
// failure names both, with the action that went wrong and the ones before it.

#include "application.h"
#include "kind_captions.h"
#include "reference_entry.h"
#include "reference_formula.h"
#include "reference_result_text.h"
#include "result_code.h"
#include "user_actions.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <deque>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDefaultActions = 3000;
constexpr quint64 kDefaultSeed = 0x5a4d4f5241; // any fixed seed keeps the default run repeatable
constexpr std::size_t kLogLength = 20;

// The options from the top of the menu down: the two cylindrical vessels sit together.
constexpr std::array kOptionsTopDown{1, 2, 3, 5, 4, 6};

// The failure notice times out after six seconds; a coarse timer may fire a little early.
constexpr qint64 kNoticeSurelyShownMs = 5000;

const std::array<QString, 3> kBoxNames{u"Text1"_s, u"Text2"_s, u"Text3"_s};

QString option_name(int kind) {
    return u"Option"_s + QString::number(kind);
}
int option_kind(QStringView name) {
    return name.sliced(6).toInt();
}

// The mouse goes down on a button and slides off it before coming up: the button takes the
// focus and is pressed, but not clicked.
void press_and_slide_off(QAbstractButton* button) {
    const QPoint outside(button->width() + 30, button->height() / 2);
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseMove(button, outside);
    QTest::mouseRelease(button, Qt::LeftButton, {}, outside);
}

// Characters a reader could not see or could take for another one.
bool needs_spelling(QChar c) {
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return c != u' ';
    default:
        // Full-width forms look like their ASCII twins, which the entries read the same.
        return c == u'\\' || c == u'"' || (c.unicode() >= 0xff00 && c.unicode() <= 0xffef);
    }
}

// The text for the log, with anything a reader could miss spelled as \uXXXX, cut short.
QString readable(QStringView text, qsizetype limit = 32) {
    QString out;
    for (qsizetype i = 0; i < text.size() && i < limit; ++i) {
        const QChar c = text[i];
        if (needs_spelling(c))
            out += u"\\u%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    if (text.size() > limit)
        out += u"...(%1 units)"_s.arg(text.size());
    return u'"' + out + u'"';
}

// One entry box as the user's keys, pastes and input method leave it. The cursor is always at
// the end: every edit starts with End or Select All. A box holds at most its maximum length
// (32767 units unless the program sets another) and cuts whatever goes beyond it.
struct BoxModel {
    QString text;
    qsizetype capacity = 0;
    bool all_selected = false;
    bool edited = false; // text was inserted or removed by the last edit: the box says so

    void start_edit(qsizetype max_length, bool select_all) {
        capacity = max_length;
        all_selected = select_all && !text.isEmpty();
        edited = false;
    }
    void remove_selection() {
        if (all_selected) {
            text.clear();
            all_selected = false;
            edited = true;
        }
    }
    void insert(QStringView s) {
        remove_selection();
        const qsizetype room = capacity - text.size();
        if (room > 0 && !s.isEmpty()) {
            text += s.left(room);
            edited = true;
        }
    }
    void backspace() {
        if (all_selected) {
            remove_selection();
            return;
        }
        if (text.isEmpty())
            return;
        const qsizetype n = text.size();
        const bool pair = n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate();
        text.chop(pair ? 2 : 1);
        edited = true;
    }
};

struct SessionModel {
    bool note_exists = false;
    bool note_shown = false;
    std::optional<int> selected;
    QString menu_focus = u"Option1"_s;
    QStringList captions{u"Label1"_s, u"Label2"_s, u"Label3"_s, u"Label4"_s};
    std::array<BoxModel, 3> boxes;
    QString result_tooltip;
    bool notice_shown = false;
    QElapsedTimer notice_since;

    // What holds right after the last action only.
    std::optional<QString> note_focus;
    bool note_focus_all_selected = false;
    bool result_at_start = false;
};

// The written forms a user might type into an entry: numbers in all the ways the notebook reads
// them, near misses, and plain rubbish.
class TextSource {
public:
    explicit TextSource(quint64 seed)
        : m_rng(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(int percent) { return below(100) < percent; }
    // An index into `weights`, each as likely as its weight.
    int weighted(std::initializer_list<int> weights) {
        int total = 0;
        for (int w : weights)
            total += w;
        int roll = below(total);
        int index = 0;
        for (int w : weights) {
            if (roll < w)
                return index;
            roll -= w;
            ++index;
        }
        return index - 1;
    }
    template <typename C> const auto& pick(const C& c) { return c[below(int(std::size(c)))]; }

    QString digits(int count) {
        QString out;
        const bool wide = chance(15);
        for (int i = 0; i < count; ++i) {
            const int d = below(10);
            out += (wide || chance(3)) ? QChar(char16_t(u'０' + d)) : QChar(char16_t(u'0' + d));
        }
        return out;
    }

    QString sign() {
        static const std::array signs{u"-"_s, u"+"_s, u"－"_s, u"＋"_s};
        return chance(80) ? QString() : pick(signs);
    }

    QString number() {
        QString out = sign();
        if (chance(10)) { // grouped thousands, now and then wrongly
            out += digits(1 + below(3));
            for (int g = below(3); g >= 0; --g)
                out += u',' + digits(chance(90) ? 3 : below(5));
        } else if (chance(85)) {
            out += digits(1 + below(6));
        }
        if (chance(40)) {
            static const std::array points{u"."_s, u"."_s, u"."_s, u"．"_s, u"．"_s, u","_s};
            out += pick(points) + digits(below(5));
        }
        if (chance(10)) {
            static const std::array marks{u"e"_s, u"E"_s};
            out += pick(marks) + sign() + digits(1 + below(3));
        }
        static const std::array blanks{u" "_s, u"\u3000"_s, u"\t"_s, u"  "_s};
        if (chance(5))
            out.prepend(pick(blanks));
        if (chance(5))
            out += pick(blanks);
        return out;
    }

    QString edge_case() {
        // clang-format off
        static const std::array cases{
            u"1e308"_s, u"-1e308"_s, u"1e309"_s, u"1e-320"_s, u"4.9e-324"_s, u"1e300"_s,
            u"1e200"_s, u"-1e200"_s, u"1e-200"_s, u"1e154"_s, u"1e-160"_s, u"1e-5"_s,
            u"1.7976931348623157e308"_s, u"2.2250738585072014e-308"_s, u"2.5e-3"_s,
            u"0"_s, u"-0"_s, u"."_s, u".5"_s, u"5."_s, u"0.0001"_s, u"1000000"_s,
            u"99999999999999999999"_s, u"1,000"_s, u"1,00"_s, u"1,000.5"_s, u"1 000"_s,
            u"0,001"_s, u"00,250"_s,
            u"0x10"_s, u"inf"_s, u"nan"_s, u"-inf"_s, u"1e"_s, u"e5"_s, u"+-1"_s,
            u"１２．５"_s, u"－３"_s, u"１ｅ３"_s, u" "_s, u"\u3000"_s,
            u"1\u066b5"_s, u"\u0661\u0662"_s, u"1.5\u0301"_s, u"\u200b1"_s, u"1\u0000"_s,
        };
        // clang-format on
        return pick(cases);
    }

    // Single characters of every sort, one user-perceived character each (a surrogate pair
    // stays whole).
    QString character() {
        static const QString plain = u"0123456789+-.,eE abcxyzXYZ"_s;
        // clang-format off
        static const std::array others{
            u"０"_s, u"５"_s, u"９"_s, u"＋"_s, u"－"_s, u"．"_s, u"，"_s, u"\u3000"_s,
            u"あ"_s, u"ア"_s, u"漢"_s, u"\u0301"_s, u"\u0308"_s, u"\u3099"_s, u"\u200b"_s,
            u"\u00a0"_s, u"\U0001F600"_s, u"\t"_s, u"\n"_s, u"\r"_s, u"\u0001"_s,
            u"\u001b"_s, u"\u007f"_s, u"\u0000"_s, u"\u2212"_s, u"\u066b"_s, u"\u0661"_s,
        };
        // clang-format on
        return chance(65) ? QString(plain[below(int(plain.size()))]) : pick(others);
    }

    QString rubbish(int count) {
        QString out;
        for (int i = 0; i < count; ++i)
            out += character();
        return out;
    }

    // Entries that make a formula fail, often enough that every session meets each failure:
    // zeros and tiny diameters divide by zero, signed flows and velocities take a negative
    // root, huge volumes and heights overflow.
    QString troublesome() {
        // clang-format off
        static const std::array cases{
            u"0"_s, u"-0"_s, u"0.0"_s, u"０"_s, u".0"_s, u"1e-160"_s, u"1e-200"_s,
            u"-1.5"_s, u"-100"_s, u"－２"_s, u"-0.5"_s, u"-2e3"_s, u"\u22123"_s,
            u"1e300"_s, u"-1e300"_s, u"1e200"_s, u"1e160"_s,
        };
        // clang-format on
        return pick(cases);
    }

    // Something a user would type or paste as one entry.
    QString entry() {
        switch (weighted({12, 1, 5, 1, 1})) {
        case 0:
            return number();
        case 1:
            return edge_case();
        case 2:
            return troublesome();
        case 3:
            return rubbish(1 + below(12));
        default:
            return number() + character();
        }
    }

    // Paste only: text far beyond what a box holds, or a lone half of a surrogate pair.
    QString long_text() {
        const int length = chance(50) ? 1000 + below(40000) : 30000 + below(70001);
        switch (below(4)) {
        case 0:
            return QString(length, u'9'); // a number far too large
        case 1:
            return u"0."_s + QString(length, u'0') + u'1'; // one far too small
        case 2:
            return QString(length, u'１');
        default: {
            const QString chunk = entry();
            QString out;
            while (out.size() < length)
                out += chunk.isEmpty() ? u"x"_s : chunk;
            return out;
        }
        }
    }
    QString odd_units() {
        static const std::array cases{u"1"_s + QChar(char16_t(0xd800)),
                                      QString(QChar(char16_t(0xdc00))) + u"2"_s,
                                      QString(QChar(char16_t(0xfffe)))};
        return pick(cases);
    }

private:
    std::mt19937_64 m_rng;
};

// How much of the program a session reached, so that a passing run can be told from an idle one.
struct Tally {
    std::array<int, 6> outcomes{}; // by ResultCode
    int entry_empty = 0;
    int no_option = 0;
    int arrow_moves = 0;
    int trips = 0; // MENU to NOTE
    int long_pastes = 0;
    qsizetype longest = 0;

    QString summary() const {
        return QStringList{
            u"results %1"_s.arg(outcomes[0]),
            u"entries not numbers %1 + %2"_s.arg(outcomes[1]).arg(outcomes[2]),
            u"divisions by zero %1"_s.arg(outcomes[3]),
            u"invalid operations %1"_s.arg(outcomes[4]),
            u"overflows %1"_s.arg(outcomes[5]),
            u"not run for an empty entry %1, for no option %2"_s.arg(entry_empty).arg(no_option),
            u"arrow moves %1"_s.arg(arrow_moves),
            u"trips to the notebook %1"_s.arg(trips),
            u"pastes beyond a box %1, longest box %2"_s.arg(long_pastes).arg(longest),
        }
            .join(u"; "_s);
    }

    // What a session of the default length is made to reach, each several times over; one that
    // stopped calculating or never met a kind of failure has checked less than it claims.
    QStringList unreached() const {
        const std::pair<int, const char16_t*> counts[]{
            {outcomes[0], u"a result"},
            {outcomes[1], u"a first entry not a number"},
            {outcomes[2], u"a second entry not a number"},
            {outcomes[3], u"a division by zero"},
            {outcomes[4], u"an invalid operation"},
            {outcomes[5], u"an overflow"},
            {entry_empty, u"a press with an empty entry"},
            {arrow_moves, u"an arrow move"},
            {trips, u"a trip to the notebook"},
            {long_pastes, u"a paste beyond a box"},
        };
        QStringList missing;
        for (const auto& [count, what] : counts) {
            if (count == 0)
                missing << QString::fromUtf16(what);
        }
        return missing;
    }
};

// One press of the calculate button with both entries present and a kind selected.
struct Outcome {
    zumora::ResultCode code;
    reference::ResultText text; // for Ok only
};
Outcome expected_outcome(int kind, const QString& first, const QString& second) {
    using zumora::ResultCode;
    const std::optional<double> a = reference::entry_value(first);
    if (!a)
        return {ResultCode::FirstEntryNotANumber, {}};
    const std::optional<double> b = reference::entry_value(second);
    if (!b)
        return {ResultCode::SecondEntryNotANumber, {}};
    const reference::PlainValue value = reference::plain_formula(kind, *a, *b);
    if (value.fault != ResultCode::Ok)
        return {value.fault, {}};
    return {ResultCode::Ok, reference::result_text(value.value)};
}

class Session {
public:
    explicit Session(quint64 seed)
        : m_seed(seed)
        , m_source(seed) {}

    // The program is already running, started for the test.
    bool start() {
        QWidget* menu = top_level(u"MENU"_s);
        if (!menu || !QTest::qWaitForWindowExposed(menu))
            return false;
        activate(menu);
        return true;
    }

    // Does one random action that the window on screen offers.
    void act(int index) {
        m_index = index;
        m_fault.clear();
        m_model.note_focus.reset();
        m_model.note_focus_all_selected = false;
        m_model.result_at_start = false;
        if (m_model.note_shown)
            act_on_notebook();
        else
            act_on_menu();
        QCoreApplication::processEvents();
    }

    // What differs between the program and the model, or nothing.
    QString mismatch();

    const Tally& tally() const { return m_tally; }

    QString report(const QString& fault) const {
        QString out =
            u"seed %1, action %2: %3\nlast actions:"_s.arg(m_seed).arg(m_index).arg(fault);
        for (const QString& line : m_log)
            out += u"\n  "_s + line;
        return out;
    }

private:
    void log(const QString& what) {
        m_log.push_back(u"#%1 %2"_s.arg(m_index).arg(what));
        if (m_log.size() > kLogLength)
            m_log.pop_front();
    }

    static void activate(QWidget* window) {
        // What the window manager does for a window that is shown.
        QApplication::setActiveWindow(window);
    }

    template <typename T = QAbstractButton> T* menu_control(const QString& name) {
        return control<T>(u"MENU"_s, name);
    }
    template <typename T = QAbstractButton> T* note_control(const QString& name) {
        return control<T>(u"NOTE"_s, name);
    }

    static void key(QWidget* target, Qt::Key code, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(target, code, modifiers);
    }
    // Keys go to the focus of the active window; without one they reach nothing.
    void key_to_focus(Qt::Key code, Qt::KeyboardModifiers modifiers = {}) {
        if (QWidget* target = QApplication::focusWidget())
            key(target, code, modifiers);
        else
            m_fault = u"no widget has the keyboard focus"_s;
    }

    void act_on_menu();
    void open_notebook();
    void act_on_notebook();
    void edit_box(int box);
    void press_note_button(const QString& name, const QString& how);
    void calculate();
    void clear_boxes() {
        for (BoxModel& box : m_model.boxes)
            box = BoxModel{};
        m_model.result_tooltip.clear();
        m_model.notice_shown = false;
    }

    quint64 m_seed;
    TextSource m_source;
    SessionModel m_model;
    std::deque<QString> m_log;
    int m_index = -1;
    QString m_fault; // found while acting
    Tally m_tally;
};

void Session::act_on_menu() {
    const int kind = kOptionsTopDown[m_source.below(6)];
    const bool on_option = m_model.menu_focus.startsWith(u"Option"_s);
    switch (m_source.below(on_option ? 10 : 8)) {
    case 0:
    case 1:
    case 2:
        log(u"MENU: click %1"_s.arg(option_name(kind)));
        QTest::mouseClick(menu_control(option_name(kind)), Qt::LeftButton);
        m_model.selected = kind;
        m_model.menu_focus = option_name(kind);
        return;
    case 3:
        log(u"MENU: press %1 and slide off"_s.arg(option_name(kind)));
        press_and_slide_off(menu_control(option_name(kind)));
        m_model.menu_focus = option_name(kind);
        return;
    case 4:
    case 5: {
        log(u"MENU: Space on the focus (%1)"_s.arg(m_model.menu_focus));
        key_to_focus(Qt::Key_Space);
        if (on_option)
            m_model.selected = option_kind(m_model.menu_focus);
        else
            open_notebook();
        return;
    }
    case 6:
    case 7:
        log(u"MENU: click Command1"_s);
        QTest::mouseClick(menu_control(u"Command1"_s), Qt::LeftButton);
        m_model.menu_focus = u"Command1"_s;
        open_notebook();
        return;
    default: {
        // An arrow key moves to the neighbouring option on screen and selects it; at the top
        // or bottom of the group it goes nowhere.
        const bool down = m_source.chance(50);
        const bool keypad = m_source.chance(25); // NumLock off
        log(u"MENU: %1%2 on %3"_s.arg(keypad ? u"keypad "_s : QString(), down ? u"Down"_s : u"Up"_s,
                                      m_model.menu_focus));
        key_to_focus(down ? Qt::Key_Down : Qt::Key_Up,
                     keypad ? Qt::KeypadModifier : Qt::NoModifier);
        const auto at = std::ranges::find(kOptionsTopDown, option_kind(m_model.menu_focus));
        const auto to = (at - kOptionsTopDown.begin()) + (down ? 1 : -1);
        if (to >= 0 && to < std::ssize(kOptionsTopDown)) {
            ++m_tally.arrow_moves;
            m_model.selected = kOptionsTopDown[to];
            m_model.menu_focus = option_name(kOptionsTopDown[to]);
        }
        return;
    }
    }
}

void Session::open_notebook() {
    m_model.note_exists = true;
    m_model.note_shown = true;
    ++m_tally.trips;
    if (m_model.selected)
        m_model.captions = expected_captions(*m_model.selected).notebook;
    m_model.note_focus = kBoxNames[0];
    if (QWidget* note = top_level(u"NOTE"_s))
        activate(note); // a missing notebook is for the check to report
}

void Session::act_on_notebook() {
    static const std::array buttons{u"Command1"_s, u"Command2"_s, u"Command3"_s};
    // Mostly entries and the calculate button, pressed more once both entries hold something,
    // so that many calculations run; the result box is typed into less often than the entries.
    const bool both_entries = !m_model.boxes[0].text.isEmpty() && !m_model.boxes[1].text.isEmpty();
    switch (m_source.weighted({5, 5, 2, both_entries ? 10 : 1, 1, 1, 1})) {
    case 0:
        edit_box(0);
        return;
    case 1:
        edit_box(1);
        return;
    case 2:
        edit_box(2);
        return;
    case 3:
        press_note_button(buttons[0], m_source.chance(80) ? u"click"_s : u"keys"_s);
        return;
    case 4:
        press_note_button(buttons[1], m_source.chance(80) ? u"click"_s : u"keys"_s);
        return;
    case 5:
        press_note_button(buttons[2], m_source.chance(80) ? u"click"_s : u"keys"_s);
        return;
    default: {
        // A press that slides off: nothing is clicked, but the press alone takes the notice away.
        const QString& name = m_source.pick(buttons);
        log(u"NOTE: press %1 and slide off"_s.arg(name));
        press_and_slide_off(note_control(name));
        m_model.notice_shown = false;
        return;
    }
    }
}

void Session::press_note_button(const QString& name, const QString& how) {
    QAbstractButton* button = note_control(name);
    log(u"NOTE: %1 %2"_s.arg(how, name));
    if (how == u"click"_s) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        press_and_slide_off(button);
        key_to_focus(Qt::Key_Space);
    }
    // Every press takes a failure message away before the button does its work.
    m_model.notice_shown = false;
    if (name == u"Command1"_s) {
        calculate();
    } else if (name == u"Command2"_s) {
        clear_boxes();
    } else {
        clear_boxes();
        m_model.note_shown = false;
        activate(top_level(u"MENU"_s));
    }
}

void Session::calculate() {
    const QString& first = m_model.boxes[0].text;
    const QString& second = m_model.boxes[1].text;
    if (first.isEmpty() || second.isEmpty()) {
        ++m_tally.entry_empty;
        return;
    }
    if (!m_model.selected) {
        ++m_tally.no_option;
        return;
    }
    const Outcome e = expected_outcome(*m_model.selected, first, second);
    ++m_tally.outcomes[std::size_t(e.code)];
    if (e.code == zumora::ResultCode::Ok) {
        // Where doubles cannot tell on which side of the tie allowance a value lies, either
        // neighbouring hundredth is right, and the model goes on with the one shown.
        const auto* result = note_control<QLineEdit>(kBoxNames[2]);
        const QString text = e.text.accepts(result->text()) ? result->text() : e.text.text;
        m_model.boxes[2] = BoxModel{text.left(result->maxLength())};
        m_model.result_tooltip = text;
        m_model.result_at_start = true;
        return;
    }
    m_model.notice_shown = true;
    m_model.notice_since.start();
    // The box concerned gets the focus: an entry that is not a number with its text selected,
    // the result box after an arithmetic fault.
    if (e.code == zumora::ResultCode::FirstEntryNotANumber ||
        e.code == zumora::ResultCode::SecondEntryNotANumber) {
        m_model.note_focus = kBoxNames[e.code == zumora::ResultCode::FirstEntryNotANumber ? 0 : 1];
        m_model.note_focus_all_selected = true;
    } else {
        m_model.note_focus = kBoxNames[2];
    }
}

void Session::edit_box(int index) {
    auto* box = note_control<QLineEdit>(kBoxNames[index]);
    BoxModel& model = m_model.boxes[index];
    // Mostly a fresh value over the old one, as a user corrects an entry.
    const bool select_all = m_source.chance(80);
    const QString start = select_all ? u"select all"_s : u"at end"_s;

    QTest::mouseClick(box, Qt::LeftButton);
    if (select_all)
        key(box, Qt::Key_A, Qt::ControlModifier);
    else
        key(box, Qt::Key_End);
    model.start_edit(box->maxLength(), select_all);

    switch (m_source.below(10)) {
    case 0:
    case 1:
    case 2:
    case 3: {
        // Typed key by key. Control characters are no text and the box ignores them.
        const QString text = m_source.entry();
        log(u"%1: %2, type %3"_s.arg(kBoxNames[index], start, readable(text)));
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString typed = text.mid(i, units);
            i += units - 1;
            const char16_t u = typed[0].unicode();
            if (u >= 0x20 && u < 0x7f) {
                QTest::keyClick(box, char(u));
            } else {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, typed);
                QApplication::sendEvent(box, &press);
                QApplication::sendEvent(box, &release);
            }
            if (typed[0].category() != QChar::Other_Control)
                model.insert(typed);
        }
        break;
    }
    case 4:
    case 5:
    case 6: {
        const int kind = m_source.below(20);
        const QString text = kind == 0   ? m_source.long_text()
                             : kind == 1 ? m_source.odd_units()
                                         : m_source.entry();
        log(u"%1: %2, paste %3"_s.arg(kBoxNames[index], start, readable(text)));
        QApplication::clipboard()->setText(text);
        key(box, Qt::Key_V, Qt::ControlModifier);
        model.insert(text);
        m_tally.long_pastes += text.size() > box->maxLength();
        break;
    }
    case 7: {
        // An input method hands over its text in one piece, as a Japanese one does with
        // full-width forms.
        const QString text = m_source.entry();
        log(u"%1: %2, input method commits %3"_s.arg(kBoxNames[index], start, readable(text)));
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(box, &commit);
        if (!text.isEmpty()) // an empty commit is no input and leaves the selection be
            model.insert(text);
        break;
    }
    case 8: {
        const int count = 1 + m_source.below(4);
        log(u"%1: %2, Backspace x%3"_s.arg(kBoxNames[index], start).arg(count));
        for (int i = 0; i < count; ++i) {
            key(box, Qt::Key_Backspace);
            model.backspace();
        }
        break;
    }
    default:
        log(u"%1: %2, Delete"_s.arg(kBoxNames[index], start));
        key(box, Qt::Key_Delete);
        model.remove_selection();
        break;
    }
    m_tally.longest = std::max(m_tally.longest, model.text.size());
    // Typing anything takes a failure message away; text typed over a result is no longer it.
    if (model.edited) {
        m_model.notice_shown = false;
        if (index == 2)
            m_model.result_tooltip.clear();
    }
}

QString compare_text(const QString& what, const QString& actual, const QString& expected) {
    if (actual == expected)
        return {};
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return u"%1 holds %2, expected %3 (first difference at %4)"_s.arg(
        what, readable(actual), readable(expected), QString::number(at));
}

QString Session::mismatch() {
    if (!m_fault.isEmpty())
        return m_fault;
    QWidget* menu = top_level(u"MENU"_s);
    QWidget* note = top_level(u"NOTE"_s);
    if (!menu)
        return u"MENU is gone"_s;
    if (bool(note) != m_model.note_exists)
        return note ? u"NOTE exists before the notebook was opened"_s : u"NOTE does not exist"_s;
    const bool note_visible = note && note->isVisible();
    if (menu->isVisible() == note_visible)
        return u"MENU visible %1, NOTE visible %2: exactly one must show"_s.arg(menu->isVisible())
            .arg(note_visible);
    if (note_visible != m_model.note_shown)
        return m_model.note_shown ? u"MENU shows, expected NOTE"_s : u"NOTE shows, expected MENU"_s;

    QStringList checked;
    for (int kind = 1; kind <= 6; ++kind) {
        if (menu_control(option_name(kind))->isChecked())
            checked << option_name(kind);
    }
    const QStringList expected =
        m_model.selected ? QStringList{option_name(*m_model.selected)} : QStringList{};
    if (checked != expected)
        return u"options checked: %1; expected: %2"_s.arg(
            checked.isEmpty() ? u"none"_s : checked.join(u", "_s),
            expected.isEmpty() ? u"none"_s : expected.join(u", "_s));
    const QWidget* menu_focus = menu->focusWidget();
    if (!menu_focus || menu_focus->objectName() != m_model.menu_focus)
        return u"MENU focus on %1, expected %2"_s.arg(
            menu_focus ? menu_focus->objectName() : u"nothing"_s, m_model.menu_focus);
    if (!note)
        return {};

    for (int i = 0; i < 3; ++i) {
        auto* box = note_control<QLineEdit>(kBoxNames[i]);
        if (QString fault = compare_text(kBoxNames[i], box->text(), m_model.boxes[i].text);
            !fault.isEmpty())
            return fault;
    }
    for (int i = 0; i < 4; ++i) {
        const QString name = u"Label"_s + QString::number(i + 1);
        if (QString fault =
                compare_text(name, note_control<QLabel>(name)->text(), m_model.captions[i]);
            !fault.isEmpty())
            return fault;
    }
    // Only a result drawn cut has a tooltip (tst_presentation measures which are); it is the
    // whole result.
    auto* result = note_control<QLineEdit>(kBoxNames[2]);
    if (QString fault =
            compare_text(u"the tooltip of Text3"_s, result->toolTip(), m_model.result_tooltip);
        !result->toolTip().isEmpty() && !fault.isEmpty())
        return fault;
    if (m_model.result_at_start && result->cursorPosition() != 0)
        return u"Text3 shows its result from position %1, not from the start"_s.arg(
            result->cursorPosition());

    auto* notice = note->findChild<QLabel*>(u"FailureNotice"_s);
    const bool notice_visible = notice && notice->isVisible();
    if (notice_visible && !m_model.notice_shown)
        return u"FailureNotice shows %1, expected none"_s.arg(readable(notice->text()));
    if (!notice_visible && m_model.notice_shown) {
        if (m_model.notice_since.elapsed() < kNoticeSurelyShownMs)
            return u"FailureNotice hidden, expected it shown after the failed calculation"_s;
        m_model.notice_shown = false; // gone on its own, as it should
    }

    if (m_model.note_focus) {
        const QWidget* focus = note->focusWidget();
        if (!focus || focus->objectName() != *m_model.note_focus)
            return u"NOTE focus on %1, expected %2"_s.arg(
                focus ? focus->objectName() : u"nothing"_s, *m_model.note_focus);
        if (m_model.note_focus_all_selected) {
            auto* box = note_control<QLineEdit>(*m_model.note_focus);
            if (box->selectedText() != box->text())
                return u"%1 has %2 selected, expected all of its text"_s.arg(
                    *m_model.note_focus, readable(box->selectedText()));
        }
    }
    return {};
}

quint64 from_environment(const char* name, quint64 fallback) {
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok, 0);
    return ok ? value : fallback;
}

QtMessageHandler g_test_log = nullptr;

// The offscreen platform cannot raise a window and says so each time the failure notice comes
// up; thousands of those lines would bury anything worth reading.
void drop_raise_notes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message == u"This plugin does not support raise()"_s)
        return;
    g_test_log(type, context, message);
}

} // namespace

class TestRandomSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        g_test_log = qInstallMessageHandler(drop_raise_notes);
    }
    void cleanupTestCase() { qInstallMessageHandler(g_test_log); }
    void init();
    void cleanup() { m_app.reset(); }

    void arrowKeySelects_data();
    void arrowKeySelects();
    void session();

private:
    std::unique_ptr<zumora::ApplicationController> m_app;
};

void TestRandomSession::init() {
    m_app = std::make_unique<zumora::ApplicationController>();
    m_app->start();
    QWidget* menu = top_level(u"MENU"_s);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QApplication::setActiveWindow(menu);
}

// An arrow key selects the option it moves to, whatever option it starts from, at start-up too;
// the keypad's arrows with NumLock off are the same keys.
void TestRandomSession::arrowKeySelects_data() {
    QTest::addColumn<int>("selectFirst"); // 0: nothing selected
    QTest::addColumn<int>("focusOn");     // 0: where start-up leaves it; else pressed, slid off
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<int>("selected");

    QTest::newRow("Down at start-up") << 0 << 0 << int(Qt::Key_Down) << false << 2;
    QTest::newRow("Down from the selected option, in screen order")
        << 3 << 3 << int(Qt::Key_Down) << false << 5;
    QTest::newRow("Up from an option other than the selected one")
        << 6 << 3 << int(Qt::Key_Up) << false << 2;
    QTest::newRow("Down from an option other than the selected one, in screen order")
        << 1 << 5 << int(Qt::Key_Down) << false << 4;
    QTest::newRow("Up from an option, nothing selected") << 0 << 6 << int(Qt::Key_Up) << false << 4;
    QTest::newRow("keypad Down at start-up") << 0 << 0 << int(Qt::Key_Down) << true << 2;
    QTest::newRow("keypad Up from an option other than the selected one")
        << 6 << 3 << int(Qt::Key_Up) << true << 2;
    QTest::newRow("keypad Right from the selected option, in screen order")
        << 3 << 3 << int(Qt::Key_Right) << true << 5;
    QTest::newRow("keypad Left, nothing selected") << 0 << 4 << int(Qt::Key_Left) << true << 5;
}

void TestRandomSession::arrowKeySelects() {
    QFETCH(int, selectFirst);
    QFETCH(int, focusOn);
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(int, selected);

    if (selectFirst)
        QTest::mouseClick(option(selectFirst), Qt::LeftButton);
    if (focusOn)
        press_and_slide_off(option(focusOn));
    QCOMPARE(QApplication::focusWidget(), option(focusOn ? focusOn : 1));
    QCOMPARE(option(focusOn ? focusOn : 1)->isChecked(), focusOn && focusOn == selectFirst);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                    keypad ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(QApplication::focusWidget(), option(selected));
    QStringList checked;
    for (int kind = 1; kind <= 6; ++kind) {
        if (option(kind)->isChecked())
            checked << option_name(kind);
    }
    QCOMPARE(checked, QStringList{option_name(selected)});
}

void TestRandomSession::session() {
    const quint64 seed = from_environment("ZUMORA_SESSION_SEED", kDefaultSeed);
    const int actions = int(from_environment("ZUMORA_SESSION_ACTIONS", kDefaultActions));
    qInfo("random session: seed %llu, %d actions (ZUMORA_SESSION_SEED, ZUMORA_SESSION_ACTIONS)",
          static_cast<unsigned long long>(seed), actions);

    Session session(seed);
    QVERIFY(session.start());
    if (const QString fault = session.mismatch(); !fault.isEmpty())
        QFAIL(qPrintable(session.report(u"at start: "_s + fault)));
    for (int i = 0; i < actions; ++i) {
        session.act(i);
        if (const QString fault = session.mismatch(); !fault.isEmpty())
            QFAIL(qPrintable(session.report(fault)));
    }
    qInfo("%s", qPrintable(session.tally().summary()));
    if (actions >= kDefaultActions) {
        const QStringList unreached = session.tally().unreached();
        QVERIFY2(unreached.isEmpty(),
                 qPrintable(u"seed %1: the session never reached "_s.arg(seed) +
                            unreached.join(u", "_s)));
    }
}

QTEST_MAIN(TestRandomSession)
#include "tst_random_session.moc"
