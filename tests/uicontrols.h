// SPDX-License-Identifier: MIT
#pragma once

// Controls of a window found by their object names ("Command1_0"), as a user
// would find them by what they are, not through the window's members.

#include "wizard/filelistview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QWidget>
#include <QtGlobal>

// A control of the window itself, not of a dialog it owns (the folder
// chooser has a Command1_1 of its own).
template <typename T = QWidget>
T *control(const QWidget *window, const QString &name)
{
    for (T *found : window->findChildren<T *>(name)) {
        if (found->window() == window)
            return found;
    }
    qFatal("no control named %s", qPrintable(name));
    return nullptr;
}

template <typename T = QWidget>
T *control(const QWidget *window, const QString &array, int index)
{
    return control<T>(window, array + u'_' + QString::number(index));
}

// The wizard's controls by their names, for a test class that has the window.
class WizardControls
{
public:
    virtual ~WizardControls() = default;

protected:
    [[nodiscard]] virtual QWidget *wizard() const = 0;

    QLineEdit *text1(int i) const { return control<QLineEdit>(wizard(), QStringLiteral("Text1"), i); }
    QPushButton *command1(int i) const { return control<QPushButton>(wizard(), QStringLiteral("Command1"), i); }
    QPushButton *command2(int i) const { return control<QPushButton>(wizard(), QStringLiteral("Command2"), i); }
    QPushButton *command3(int i) const { return control<QPushButton>(wizard(), QStringLiteral("Command3"), i); }
    QRadioButton *option1(int i) const { return control<QRadioButton>(wizard(), QStringLiteral("Option1"), i); }
    QCheckBox *check1(int i) const { return control<QCheckBox>(wizard(), QStringLiteral("Check1"), i); }
    QComboBox *combo1(int i) const { return control<QComboBox>(wizard(), QStringLiteral("Combo1"), i); }
    QLabel *label(int number) const { return control<QLabel>(wizard(), QStringLiteral("Label") + QString::number(number)); }
    hy3::ui::FileListView *listView1() const { return control<hy3::ui::FileListView>(wizard(), QStringLiteral("ListView1")); }
};
