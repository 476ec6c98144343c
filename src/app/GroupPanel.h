// The group panel of the main window: the list of groups, choosing one, and new, delete and rename. It owns its list
// and buttons; the window hears of a chosen and a deleted group through Host, and nothing else.
#pragma once

#include <optional>
#include <string>

#include "store/RowId.h"

class AddressStore;
class ReportList;
class TemplateDialog;

class GroupPanel final {
public:
    // What the panel tells the window.
    class Host {
    public:
        virtual ~Host() = default;
        // The user clicked the group `id` named `name`.
        virtual void groupChosen(RowId id, const std::string& name) = 0;
        // The group `id` and its addresses are gone from the book.
        virtual void groupDeleted(RowId id) = 0;
    };

    // Takes the list and buttons of `window` (dialog template 102) and works on `store`.
    GroupPanel(TemplateDialog& window, AddressStore& store, Host& host);
    GroupPanel(const GroupPanel&) = delete;
    GroupPanel& operator=(const GroupPanel&) = delete;

    // The list's look and column, once the book is open.
    void setUp();
    int FillGroupList();
    // Selects the row of group `id`; its name, or nothing when the list does not hold it.
    std::optional<std::string> selectGroup(RowId id);

private:
    void OnClickGroups();
    void OnNewGroup();
    void OnDeleteGroup();
    void OnRenameGroup();

    TemplateDialog& m_window;
    AddressStore& m_store;
    Host& m_host;
    ReportList* m_listGroups;
};
