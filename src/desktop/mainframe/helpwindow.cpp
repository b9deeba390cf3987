#include "desktop/mainframe/helpwindow.h"

#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/dialogs/dlgfields.h"
#include "desktop/dialogs/utf8.h"

// The pages live in the GUI library, which a static link would otherwise drop.
static void InitHelpResources() { Q_INIT_RESOURCE(orvalis); }

namespace {

const char* const kBase = "qrc:/help/";

// The contents: title and page, in reading order.
const char* const kContents[][2] = {
    {"Orvalis ヘルプの目次", "index.html"},
    {"日程表ウィンドウ", "schedule.html"},
    {"予約リスト ウィンドウ", "reservelist.html"},
    {"使用者リスト ウィンドウ", "userlist.html"},
    {"ファイル メニュー", "file.html"},
    {"編集 メニュー", "edit.html"},
    {"表示 メニュー", "view.html"},
    {"オプション メニュー", "options.html"},
    {"ウィンドウ メニュー", "window.html"},
    {"ヘルプ メニュー", "help.html"},
    {"ツール バーとステータス バー", "toolbar.html"},
    {"キーボード", "keys.html"},
};

}  // namespace

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    InitHelpResources();
    setObjectName(QStringLiteral("CHelpWindow"));
    setWindowTitle(U("Orvalis ヘルプ"));
    tabs_ = new QTabWidget(this);
    contents_ = new QListWidget(this);
    contents_->setObjectName(QStringLiteral("helpContents"));
    for (const auto& c : kContents) {
        auto* item = new QListWidgetItem(U(c[0]), contents_);
        item->setData(Qt::UserRole, QString::fromLatin1(c[1]));
    }
    auto* indexPage = new QWidget(this);
    key_ = new QLineEdit(indexPage);
    key_->setObjectName(QStringLiteral("helpKeyword"));
    index_ = new QListWidget(indexPage);
    index_->setObjectName(QStringLiteral("helpIndex"));
    auto* il = new QVBoxLayout(indexPage);
    auto* keyLabel = new QLabel(U("検索するキーワードの最初の数文字を入力してください(&W):"), indexPage);
    keyLabel->setObjectName(QStringLiteral("helpKeywordLabel"));
    // With its field as buddy the label shows (&W) as the Alt+W key, not as text.
    keyLabel->setBuddy(key_);
    il->addWidget(keyLabel);
    il->addWidget(key_);
    il->addWidget(index_, 1);
    tabs_->addTab(contents_, U("目次(&C)"));
    tabs_->addTab(indexPage, U("キーワード(&K)"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenLinks(true);
    auto* split = new QSplitter(this);
    split->addWidget(tabs_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(split);
    resize(820, 560);

    connect(contents_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        browser_->setSource(QUrl(QString::fromLatin1(kBase) + contents_->item(row)->data(Qt::UserRole).toString()));
    });
    connect(key_, &QLineEdit::textChanged, this, &CHelpWindow::Filter);
    connect(index_, &QListWidget::itemActivated, this, [this](QListWidgetItem* it) { OpenEntry(index_->row(it)); });
    connect(index_, &QListWidget::currentRowChanged, this, &CHelpWindow::OpenEntry);
    for (const auto& k : Keywords()) {
        auto* item = new QListWidgetItem(k.first, index_);
        item->setData(Qt::UserRole, k.second);
    }
}

QList<QPair<QString, QString>> CHelpWindow::Keywords() {
    InitHelpResources();
    QList<QPair<QString, QString>> out;
    QFile f(QStringLiteral(":/help/keywords.txt"));
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const int tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0) continue;
        out.append({line.left(tab).trimmed(), line.mid(tab + 1).trimmed()});
    }
    return out;
}

void CHelpWindow::ShowContents() {
    tabs_->setCurrentIndex(0);
    contents_->setCurrentRow(0);
    browser_->setSource(QUrl(QString::fromLatin1(kBase) + QStringLiteral("index.html")));
    ShowOnScreen();
}

void CHelpWindow::ShowIndex(const QString& partialKey) {
    tabs_->setCurrentIndex(1);
    key_->setText(partialKey);
    Filter(partialKey);
    key_->setFocus();
    ShowOnScreen();
}

void CHelpWindow::keyPressEvent(QKeyEvent* e) {
    // Esc closes the help, as it closes the program's dialogs.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) close();
    else QWidget::keyPressEvent(e);
}

void CHelpWindow::ShowOnScreen() {
    const bool first = !isVisible();
    if (first) FitOnScreen();
    show();
    // The window manager's frame is known once it shows.
    if (first && frameGeometry().size() != size()) FitOnScreen();
    raise();
    activateWindow();
}

void CHelpWindow::FitOnScreen() {
    // Over the main window, wholly on its screen: a small screen gets a
    // smaller window rather than one running off its edge.
    QWidget* over = parentWidget();
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    if (!room.isValid()) return;
    const QSize border = frameGeometry().size() - size();
    resize(size().boundedTo(room.size() - border));
    const QRect client = over ? QRect(over->mapToGlobal(QPoint(0, 0)), over->size()) : room;
    QRect placed(CenteredPosition(client, size() + border), size() + border);
    placed.moveRight(std::min(placed.right(), room.right()));
    placed.moveBottom(std::min(placed.bottom(), room.bottom()));
    placed.moveLeft(std::max(placed.left(), room.left()));
    placed.moveTop(std::max(placed.top(), room.top()));
    move(placed.topLeft());
}

void CHelpWindow::Filter(const QString& text) {
    // Like the index of the old help: jump to the first keyword that begins so.
    for (int i = 0; i < index_->count(); ++i) {
        if (index_->item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
            index_->scrollToItem(index_->item(i), QAbstractItemView::PositionAtTop);
            index_->setCurrentRow(i);
            return;
        }
    }
}

void CHelpWindow::OpenEntry(int row) {
    if (row < 0 || row >= index_->count()) return;
    browser_->setSource(QUrl(QString::fromLatin1(kBase) + index_->item(row)->data(Qt::UserRole).toString()));
}
