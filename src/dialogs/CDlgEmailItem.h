// The address editor: the e-mail text, the person's name and the group, chosen from all groups, for adding an
// address or editing one. It checks nothing; its caller decides what to store.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "store/RowId.h"
#include "ui/TemplateDialog.h"

class QComboBox;

class AddressStore;

class CDlgEmailItem final : public TemplateDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDlgEmailItem)

public:
    static constexpr int kModeEdit = 1;
    static constexpr int kModeAdd = 2;

    // Offers the groups of `store`.
    explicit CDlgEmailItem(AddressStore& store);

    void SetMode(int mode) { m_nMode = mode; }

    AddressStore& m_store;
    std::map<int, RowId> m_mapIndexToGroup; // position in the drop-down list to group id
    int m_nMode = 0;
    QComboBox* m_comboGroup = nullptr;
    std::string m_strEmail;
    std::string m_strName;
    RowId m_nGroupId = 0; // on entry the group to preselect, after IDOK the group chosen (0: none)

protected:
    void OnInitDialog() override;
    void OnOK() override;
};
