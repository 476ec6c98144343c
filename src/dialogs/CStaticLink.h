// A static text that is a web link: blue, red while the pointer is over it, purple once opened; a hand cursor;
// a click opens its address. A link that keeps the dialog's colours (the no-prefix style) still does the rest.
#pragma once

#include <initializer_list>
#include <map>

#include <QColor>
#include <QLabel>
#include <QTimer>

#include "dialogs/CHyperlink.h"
#include "ui/DialogBuilder.h"

class CStaticLink final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CStaticLink)

public:
    static const QColor g_clrUnvisited;
    static const QColor g_clrVisited;
    static const QColor g_clrHover;

    // `coloured` false keeps the dialog's own text colour (statics with the no-prefix style).
    CStaticLink(const QString& text, bool coloured, QWidget* parent = nullptr);

    CHyperlink m_link;

    // The colour the text is drawn in now.
    QColor Color() const { return m_color; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setColor(const QColor& color);
    void hover();
    void unhover();

    QColor m_color;
    bool m_bColoured;
    bool m_bHover = false;
    QTimer m_leaveTimer;
};

// Builder factories that make the statics `ids` of a template links (coloured unless their style is no-prefix).
std::map<int, ControlFactory> staticLinks(std::initializer_list<int> ids);
