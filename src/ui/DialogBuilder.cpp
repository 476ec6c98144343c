// Tested by tests/gui/BuilderTest.cpp.
#include "ui/DialogBuilder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"
#include "ui/ReportList.h"

namespace {

QWidget* createStandard(const ControlTemplate& control, QWidget* parent, const DialogUnits& units) {
    switch (control.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(control.text, parent);
        // Names from the book may look like markup; a static shows text as it is.
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(control.styles.contains(QLatin1String("center")) ? Qt::AlignHCenter | Qt::AlignTop
                                                                             : Qt::AlignLeft | Qt::AlignTop);
        // A static of several lines' height breaks its text into lines, as a dialog's explanation does.
        label->setWordWrap(control.styles.contains(QLatin1String("wordwrap")));
        return label;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(control.text, parent);
        button->setDefault(control.styles.contains(QLatin1String("default")));
        return button;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(control.styles.contains(QLatin1String("readonly")));
        return edit;
    }
    case ControlKind::ListView: {
        auto* list = new ReportList(parent);
        if (control.styles.contains(QLatin1String("singlesel")))
            list->setSelectionMode(QAbstractItemView::SingleSelection);
        return list;
    }
    case ControlKind::DropDownList: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        // Entries go in at fixed positions; the box keeps them where they were put.
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(control.text, parent);
    case ControlKind::Icon: {
        auto* picture = new QLabel(parent);
        picture->setPixmap(QIcon(control.text).pixmap(units.toPixels(control.rect).size()));
        return picture;
    }
    }
    return new QWidget(parent);
}

bool takesTextFromBeside(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::ListView || kind == ControlKind::DropDownList;
}

// The label on the same line just left of `control`, else the smallest frame around it; empty when neither.
QString textBeside(const ControlTemplate& control, const DialogTemplate& dialog) {
    const ControlTemplate* label = nullptr;
    const ControlTemplate* frame = nullptr;
    for (const ControlTemplate& other : dialog.controls) {
        if (other.kind == ControlKind::Static && other.rect.right() < control.rect.left() &&
            other.rect.top() <= control.rect.bottom() && control.rect.top() <= other.rect.bottom()) {
            if (!label || other.rect.right() > label->rect.right()) label = &other;
        }
        if (other.kind == ControlKind::GroupBox && other.rect.contains(control.rect)) {
            if (!frame || frame->rect.contains(other.rect)) frame = &other;
        }
    }
    if (label) return label->text;
    if (frame) return frame->text;
    return {};
}

} // namespace

void buildControls(const DialogTemplate& dialogTemplate, QWidget* client, const DialogUnits& units,
                   const std::map<int, ControlFactory>& factories) {
    std::vector<QWidget*> frames;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        const auto factory = factories.find(control.id);
        QWidget* widget =
            factory != factories.end() ? factory->second(control, client) : createStandard(control, client, units);
        if (control.id >= 0) widget->setObjectName(QString::number(control.id));
        QRect place = units.toPixels(control.rect);
        // A drop-down list's template height is the height of its open list; closed, it is as tall as it needs.
        if (control.kind == ControlKind::DropDownList) place.setHeight(widget->sizeHint().height());
        widget->setGeometry(place);

        // Labels, buttons and frames are named by their own text, whatever it becomes; the others by the text
        // beside them.
        QString name = control.name;
        if (name.isEmpty() && takesTextFromBeside(control.kind)) name = textBeside(control, dialogTemplate);
        name.remove(QLatin1Char('&'));
        if (!name.isEmpty()) widget->setAccessibleName(name);

        if (control.kind == ControlKind::GroupBox) frames.push_back(widget);
        widget->show();
    }
    // A frame is drawn behind the controls it surrounds, and must not take their mouse clicks.
    for (QWidget* frame : frames) {
        frame->lower();
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}
