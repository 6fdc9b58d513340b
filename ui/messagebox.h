// SPDX-License-Identifier: MIT
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace hy3::ui {

// A message box with an OK button only.
struct Message
{
    QString prompt;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Shows the message modally and returns when the user has closed it.
void showMessage(QWidget *parent, const Message &message);

// Tests route messages here instead of a blocking box; an empty handler
// restores the real boxes.
void setMessageHandlerForTesting(std::function<void(const Message &)> handler);

} // namespace hy3::ui
