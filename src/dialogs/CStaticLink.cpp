// Tested by tests/gui/SearchPanelTest.cpp.
#include "dialogs/CStaticLink.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>

#include "ui/ControlText.h"
#include "ui/Cp936Text.h"
#include "ui/DialogTemplate.h"
#include "ui/MenuTemplate.h"

const QColor CStaticLink::g_clrUnvisited(0, 0, 255);
const QColor CStaticLink::g_clrVisited(128, 0, 128);
const QColor CStaticLink::g_clrHover(255, 0, 0);

namespace {

// The hand cursor, made once for all links of the process.
const QCursor& linkCursor() {
    static const QCursor cursor(Qt::PointingHandCursor);
    return cursor;
}

// How often a hovered link looks whether the pointer is still over it, should the leave event not come.
constexpr int kLeaveCheckMs = 100;

} // namespace

CStaticLink::CStaticLink(const QString& text, bool coloured, QWidget* parent)
    : QLabel(text, parent), m_color(g_clrUnvisited), m_bColoured(coloured) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setCursor(linkCursor());
    setFocusPolicy(Qt::NoFocus);
    m_leaveTimer.setInterval(kLeaveCheckMs);
    connect(&m_leaveTimer, &QTimer::timeout, this, [this] {
        if (!rect().contains(mapFromGlobal(QCursor::pos())) && !underMouse()) unhover();
    });
    setColor(m_color);
}

void CStaticLink::setColor(const QColor& color) {
    m_color = color;
    if (!m_bColoured) return;
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
    update();
}

void CStaticLink::hover() {
    if (m_bHover) return;
    m_bHover = true;
    setColor(g_clrHover);
    m_leaveTimer.start();
}

void CStaticLink::unhover() {
    m_bHover = false;
    m_leaveTimer.stop();
    setColor(g_clrUnvisited);
}

void CStaticLink::enterEvent(QEnterEvent* event) {
    hover();
    QLabel::enterEvent(event);
}

void CStaticLink::mouseMoveEvent(QMouseEvent* event) {
    hover();
    QLabel::mouseMoveEvent(event);
}

void CStaticLink::leaveEvent(QEvent* event) {
    unhover();
    QLabel::leaveEvent(event);
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (m_link.m_strUrl.empty()) {
        // No address given: a string of the control's id, else the caption itself.
        bool isId = false;
        const int id = objectName().toInt(&isId);
        const QString fromTable = isId ? LoadString(id) : QString();
        m_link = fromTable.isEmpty() ? getControlText(this).value_or(std::string()) : cp936(fromTable);
        if (m_link.m_strUrl.empty()) return;
    }
    if (!m_link.Navigate()) {
        QApplication::beep();
        return;
    }
    setColor(g_clrVisited);
}

std::map<int, ControlFactory> staticLinks(std::initializer_list<int> ids) {
    std::map<int, ControlFactory> factories;
    for (const int id : ids) {
        factories[id] = [](const ControlTemplate& control, QWidget* parent) -> QWidget* {
            return new CStaticLink(control.text, !control.styles.contains(QLatin1String("noprefix")), parent);
        };
    }
    return factories;
}
