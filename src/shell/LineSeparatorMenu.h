#pragma once
// A menu whose separators are plain lines. The window's design gives each
// separator the caption "-", and the string table leaves it so; some styles
// draw a separator's caption as a section title, which showed a stray "-".
#include <QMenu>
#include <QStyleOptionMenuItem>

namespace shell {

class LineSeparatorMenu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        QMenu::initStyleOption(option, action);
        if (action->isSeparator()) option->text.clear();
    }
};

}  // namespace shell
