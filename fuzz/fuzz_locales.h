#pragma once

#include <QLocale>

// The locales the fuzzers read and write numbers under: Japanese, the program's own; German,
// whose decimal comma and grouping full stop swap the Japanese roles; and French, which groups
// with a narrow no-break space.
inline const QLocale& japanese() {
    static const QLocale locale(QLocale::Japanese, QLocale::Japan);
    return locale;
}

inline const QLocale& german() {
    static const QLocale locale(QLocale::German, QLocale::Germany);
    return locale;
}

inline const QLocale& french() {
    static const QLocale locale(QLocale::French, QLocale::France);
    return locale;
}
