#include "desktop/mainframe/toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include "desktop/framework/commands.h"

namespace {

constexpr int kSize = 32;  // drawn at 32 and scaled down by the style

void Page(QPainter& p) {
    QPolygonF page;
    page << QPointF(7, 3) << QPointF(20, 3) << QPointF(26, 9) << QPointF(26, 29) << QPointF(7, 29);
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawPolyline(QPolygonF() << QPointF(20, 3) << QPointF(20, 9) << QPointF(26, 9));
}

void Arrow(QPainter& p, double x, bool left) {
    QPolygonF tri;
    if (left) tri << QPointF(x, 16) << QPointF(x + 9, 8) << QPointF(x + 9, 24);
    else tri << QPointF(x + 9, 16) << QPointF(x, 8) << QPointF(x, 24);
    p.setBrush(QColor(0, 0, 160));
    p.drawPolygon(tri);
}

void Grid(QPainter& p, bool across) {
    p.setBrush(Qt::white);
    p.drawRect(4, 5, 24, 22);
    for (int i = 1; i < 4; ++i) {
        if (across) p.drawLine(4 + 6 * i, 5, 4 + 6 * i, 27);
        else p.drawLine(4, 5 + 5 * i, 28, 5 + 5 * i);
    }
    p.fillRect(across ? QRect(11, 11, 5, 9) : QRect(10, 11, 11, 4), QColor(0, 200, 0));
}

// Seven day columns with bars across them.
void Week(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(3, 5, 26, 22);
    p.fillRect(QRect(4, 6, 25, 4), QColor(200, 0, 0));
    for (int i = 1; i < 7; ++i) p.drawLine(QPointF(3 + 26.0 * i / 7, 10), QPointF(3 + 26.0 * i / 7, 27));
    p.fillRect(QRect(6, 13, 9, 4), QColor(0, 200, 0));
    p.fillRect(QRect(14, 20, 11, 4), QColor(0, 200, 0));
}

void Lines(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(4, 4, 24, 24);
    for (int i = 0; i < 5; ++i) p.drawLine(8, 9 + 4 * i, 24, 9 + 4 * i);
}

void Person(QPainter& p) {
    p.setBrush(QColor(230, 180, 120));
    p.drawEllipse(QRectF(11, 4, 10, 10));
    p.setBrush(QColor(40, 80, 180));
    QPainterPath body;
    body.moveTo(6, 29);
    body.cubicTo(6, 16, 26, 16, 26, 29);
    body.closeSubpath();
    p.drawPath(body);
}

void Folder(QPainter& p) {
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(3, 10, 22, 17);
    p.drawRect(3, 7, 9, 3);
    p.setBrush(QColor(250, 225, 130));
    p.drawPolygon(QPolygonF() << QPointF(7, 15) << QPointF(30, 15) << QPointF(25, 27) << QPointF(3, 27));
}

void Disk(QPainter& p) {
    p.setBrush(QColor(50, 70, 150));
    p.drawRect(4, 4, 24, 24);
    p.setBrush(Qt::white);
    p.drawRect(9, 4, 14, 9);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(8, 19, 16, 9);
}

void Printer(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(9, 3, 14, 10);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(3, 12, 26, 12);
    p.setBrush(Qt::white);
    p.drawRect(9, 20, 14, 9);
}

void Calendar(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(5, 6, 22, 22);
    p.fillRect(QRect(5, 6, 22, 6), QColor(200, 0, 0));
    p.drawLine(5, 12, 27, 12);
    p.setBrush(QColor(0, 0, 160));
    p.drawEllipse(QRectF(12, 15, 8, 8));
}

void Building(QPainter& p) {
    p.setBrush(QColor(210, 190, 160));
    p.drawRect(7, 8, 18, 21);
    p.drawPolygon(QPolygonF() << QPointF(5, 9) << QPointF(16, 2) << QPointF(27, 9));
    p.setBrush(QColor(120, 170, 230));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) p.drawRect(10 + 7 * c, 12 + 7 * r, 4, 4);
}

void Turn(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawRect(4, 4, 14, 10);
    p.drawRect(14, 12, 10, 16);
    p.setBrush(QColor(0, 0, 160));
    p.drawPolygon(QPolygonF() << QPointF(24, 4) << QPointF(30, 8) << QPointF(24, 12));
    p.drawPolygon(QPolygonF() << QPointF(3, 20) << QPointF(11, 20) << QPointF(7, 27));
}

void Plus(QPainter& p) {
    p.setBrush(QColor(0, 170, 0));
    p.drawRect(13, 4, 6, 24);
    p.drawRect(4, 13, 24, 6);
    p.fillRect(QRect(14, 5, 5, 23), QColor(0, 170, 0));
}

void Pencil(QPainter& p) {
    p.setBrush(QColor(240, 200, 60));
    p.drawPolygon(QPolygonF() << QPointF(6, 22) << QPointF(21, 7) << QPointF(25, 11) << QPointF(10, 26));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF() << QPointF(6, 22) << QPointF(10, 26) << QPointF(4, 28));
}

void Cross(QPainter& p) {
    p.setPen(QPen(QColor(200, 0, 0), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(7, 7, 25, 25);
    p.drawLine(25, 7, 7, 25);
}

void Question(QPainter& p) {
    p.setBrush(QColor(255, 255, 200));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    QFont f;
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0, 0, 160));
    p.drawText(QRect(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
}

void Draw(QPainter& p, int command) {
    p.setPen(QPen(Qt::black, 1.5));
    switch (command) {
        case cmd::FileNew: Page(p); break;
        case cmd::FileOpen: Folder(p); break;
        case cmd::FileSave: Disk(p); break;
        case cmd::Print: Printer(p); break;
        case cmd::PrevWeek: Arrow(p, 3, true); Arrow(p, 14, true); break;
        case cmd::PrevDay: Arrow(p, 10, true); break;
        case cmd::Today: Calendar(p); break;
        case cmd::NextDay: Arrow(p, 12, false); break;
        case cmd::NextWeek: Arrow(p, 7, false); Arrow(p, 18, false); break;
        case cmd::EditFacilities: Building(p); break;
        case cmd::ToggleMode: Turn(p); break;
        case cmd::ShowSchedule: Grid(p, true); break;
        case cmd::ShowReserveList: Lines(p); break;
        case cmd::ShowUserList: Person(p); break;
        case cmd::ShowWeek: Week(p); break;
        case cmd::AddReserve: Plus(p); break;
        case cmd::EditReserve: Pencil(p); break;
        case cmd::DeleteReserve: Cross(p); break;
        case cmd::About: Question(p); break;
        default: break;
    }
}

}  // namespace

QIcon ToolIcon(int command) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    Draw(p, command);
    p.end();
    return QIcon(pm);
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(QPen(QColor(40, 40, 40), 3));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(4, 8, 56, 52), 6, 6);
        p.fillRect(QRectF(5.5, 9.5, 53, 11), QColor(30, 90, 170));
        p.setPen(QPen(QColor(120, 120, 120), 2));
        for (int i = 1; i < 4; ++i) p.drawLine(QPointF(4 + 14 * i, 22), QPointF(4 + 14 * i, 58));
        p.fillRect(QRectF(19, 28, 12, 18), QColor(40, 220, 40));
        p.fillRect(QRectF(33, 36, 12, 14), QColor(0, 200, 0));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}
