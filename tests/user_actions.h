#pragma once

// What a user does on the two windows, reaching each control by its design name.

#include "window_lookup.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringView>

// The notebook's failure notice while it shows; null while none does.
inline QLabel* visible_notice() {
    QWidget* note = top_level(QStringLiteral("NOTE"));
    auto* notice = note ? note->findChild<QLabel*>(QStringLiteral("FailureNotice")) : nullptr;
    return notice && notice->isVisible() ? notice : nullptr;
}

inline QRadioButton* option(int kind) {
    return control<QRadioButton>(QStringLiteral("MENU"),
                                 QStringLiteral("Option") + QString::number(kind));
}

// One of the notebook's boxes, Text1 to Text3.
inline QLineEdit* box(QStringView name) {
    return control<QLineEdit>(QStringLiteral("NOTE"), name.toString());
}

inline void click(QStringView window, QStringView name) {
    auto* button = control<QAbstractButton>(window.toString(), name.toString());
    QVERIFY2(button, qPrintable(window.toString() + u'.' + name.toString()));
    QTest::mouseClick(button, Qt::LeftButton);
}

// Types `text` over whatever the box holds, key by key.
inline void type_into(QStringView name, const QString& text) {
    QLineEdit* edit = box(name);
    QVERIFY2(edit, qPrintable(name.toString()));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

inline void open_notebook() {
    click(u"MENU", u"Command1");
}
inline void calculate() {
    click(u"NOTE", u"Command1");
}
inline void clear_boxes() {
    click(u"NOTE", u"Command2");
}
inline void back_to_menu() {
    click(u"NOTE", u"Command3");
}
