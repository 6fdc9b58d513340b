// SPDX-License-Identifier: MIT
#include "messagebox.h"

namespace hy3::ui {

namespace {
std::function<void(const Message &)> &testHandler()
{
    static std::function<void(const Message &)> handler;
    return handler;
}
} // namespace

void showMessage(QWidget *parent, const Message &message)
{
    if (testHandler()) {
        testHandler()(message);
        return;
    }
    QMessageBox box(message.icon, message.title, message.prompt, QMessageBox::Ok, parent);
    box.exec();
}

void setMessageHandlerForTesting(std::function<void(const Message &)> handler)
{
    testHandler() = std::move(handler);
}

} // namespace hy3::ui
