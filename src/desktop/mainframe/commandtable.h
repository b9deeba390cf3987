#pragma once
// Every command of the main window as data - each action with its label and
// prompt, the keys, the tool bar's slots and all menu bars, the list windows'
// included - and the one place that turns that data into actions and menus.
#include <QList>
#include <functional>
#include <map>

class QAction;
class QMenu;
class QObject;
class QToolBar;
class QWidget;
struct MenuEntry;

// The menu bars, numbered as their menus' object names are.
enum class MenuBar {
    NoDocument = 2,
    Schedule = 3,
    ReserveList = 4,
    UserList = 5,
    Week = 6,
};

class CCommandSet {
public:
    // One action per command, made on owner, which takes their keys. run
    // carries a command out; menuShown runs before any menu opens.
    CCommandSet(QWidget* owner, std::function<void(int id)> run, std::function<void()> menuShown);

    // The command's shared action: null for a command without one.
    QAction* Action(int id) const;
    // Every action that stands for a command with that command: the shared
    // ones, and the menu items that carry a label of their own.
    void ForEachCommand(const std::function<void(int id, QAction* action)>& f) const;
    // The menus of a bar, made the first time they are asked for.
    const QList<QMenu*>& Menus(MenuBar bar);
    // The window menu that every document menu bar shares; its owner fills it.
    QMenu* WindowMenu() const { return windowMenu_; }
    void FillToolBar(QToolBar* bar) const;

private:
    QAction* NewAction(int id, const QString& text, QObject* parent);
    QMenu* NewMenu(const QString& title, const QString& name, QWidget* parent);
    void Fill(QMenu* menu, const MenuEntry* entries, int count, const QString& bar);

    QWidget* owner_;
    std::function<void(int)> run_;
    std::function<void()> menuShown_;
    std::map<int, QAction*> actions_;
    QList<QAction*> labelled_;
    std::map<MenuBar, QList<QMenu*>> bars_;
    QMenu* windowMenu_ = nullptr;
};
