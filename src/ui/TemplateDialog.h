// A dialog built from a template: its fixed size, font, caption and controls come from the template's data, with
// its menu bar where the template names one. The dialogs of the program derive from it.
#pragma once

#include <map>
#include <memory>

#include <QDialog>
#include <QString>

#include "ui/DialogBuilder.h"

class DialogUnits;
class QMenuBar;

// What a modal run ends with.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

class TemplateDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TemplateDialog)

public:
    // Builds the controls of template `templateId`; `factories` make special controls in place of standard ones.
    explicit TemplateDialog(int templateId, const std::map<int, ControlFactory>& factories = {},
                            QWidget* parent = nullptr);
    ~TemplateDialog() override;

    // Initialises the dialog (once) and runs it modally: IDOK when it ends with OK, IDCANCEL otherwise.
    int DoModal();
    // Initialises the dialog (once) and shows it without a modal run of its own.
    void Create();

    // The control with id `id`, or null.
    template <class Control = QWidget> Control* GetDlgItem(int id) const {
        return findChild<Control*>(QString::number(id));
    }
    QMenuBar* GetMenuBar() const { return m_menuBar; }
    const DialogUnits& Units() const { return *m_units; }

protected:
    // Called once before the dialog first shows, with the controls in place.
    virtual void OnInitDialog() {}
    // The OK (1) and Cancel (2) buttons.
    virtual void OnOK() { done(IDOK); }
    virtual void OnCancel() { done(IDCANCEL); }
    void reject() override { OnCancel(); }
    void accept() override { OnOK(); }

private:
    void initOnce();

    std::unique_ptr<DialogUnits> m_units;
    QMenuBar* m_menuBar = nullptr;
    bool m_initialised = false;
};
