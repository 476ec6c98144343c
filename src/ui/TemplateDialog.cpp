#include "ui/TemplateDialog.h"

#include <algorithm>

#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"
#include "ui/MenuTemplate.h"

TemplateDialog::TemplateDialog(int templateId, const std::map<int, ControlFactory>& factories, QWidget* parent)
    : QDialog(parent) {
    const DialogTemplate dialogTemplate = loadDialogTemplate(templateId).value_or(DialogTemplate{});
    setFont(templateFont(dialogTemplate.fontFace, dialogTemplate.fontPoints));
    m_units = std::make_unique<DialogUnits>(font());
    setWindowTitle(dialogTemplate.caption);

    Qt::WindowFlags flags =
        Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // A main window has a task bar entry of its own; a small dialog belongs to whoever opened it.
    flags |= dialogTemplate.styles.contains(QLatin1String("appwindow")) ? Qt::Window : Qt::Dialog;
    setWindowFlags(flags);
    setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (dialogTemplate.menuId != 0) {
        m_menuBar = buildMenuBar(dialogTemplate.menuId, this);
        layout->setMenuBar(m_menuBar);
    }
    auto* client = new QWidget(this);
    client->setFixedSize(m_units->toPixels(dialogTemplate.size));
    layout->addWidget(client);
    buildControls(dialogTemplate, client, *m_units, factories);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Without a default button in the template, Enter is no button's: a focused button takes it, nothing else.
    const bool hasDefault =
        std::any_of(dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
                    [](const ControlTemplate& c) { return c.styles.contains(QLatin1String("default")); });
    if (!hasDefault)
        for (QPushButton* button : client->findChildren<QPushButton*>())
            button->setAutoDefault(false);

    if (auto* ok = GetDlgItem<QPushButton>(IDOK)) connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    if (auto* cancel = GetDlgItem<QPushButton>(IDCANCEL))
        connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

TemplateDialog::~TemplateDialog() = default;

void TemplateDialog::initOnce() {
    if (m_initialised) return;
    m_initialised = true;
    OnInitDialog();
}

int TemplateDialog::DoModal() {
    initOnce();
    return exec() == IDOK ? IDOK : IDCANCEL;
}

void TemplateDialog::Create() {
    initOnce();
    show();
}
