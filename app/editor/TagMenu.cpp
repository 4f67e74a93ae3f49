#include "TagMenu.h"

#include "LanguageManager.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

QMenu *TagMenu::create(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setStyleSheet(QStringLiteral(
        "QMenu { background:#ffffff; border:1px solid #dcdcdc; padding:4px 0; }"
        "QMenu::item { padding:8px 18px; background:#ffffff; color:#202020; }"
        "QMenu::item:selected { background:#d9d9d9; color:#202020; }"));
    const LanguageManager &lang = LanguageManager::instance();
    const struct {
        const char *key;
        Choice choice;
    } entries[] = {
        {"tag_menu_sign_only", SignOnly},
        {"tag_menu_fp_only", FingerprintOnly},
        {"tag_menu_sign_fp", SignAndFingerprint},
        {"tag_menu_delete", Delete},
    };
    for (const auto &entry : entries)
        menu->addAction(lang.translate(QString::fromLatin1(entry.key)))->setData(int(entry.choice));
    return menu;
}

TagMenu::Choice TagMenu::exec(QWidget *parent, const QPoint &globalPos)
{
    // The parent may go away while the menu's own event loop runs.
    QPointer<QMenu> menu(create(parent));
    const QAction *chosen = menu->exec(globalPos);
    const Choice choice = chosen ? Choice(chosen->data().toInt()) : None;
    delete menu.data();
    return choice;
}
