// The address panel of the main window: the addresses of the group on show a page at a time, with the paging label
// and buttons; adding, deleting and editing single addresses; and the text-file commands on the group (import,
// export of the page on show, the duplicate filter). It owns its list, caption, label and buttons; the window hands
// it the group the user chose, the loaders' rows and counts, and asks it to forget a deleted group.
#pragma once

#include <cstdint>
#include <string>

#include <QFont>

#include "store/RowId.h"

class AddressStore;
class LoaderStarter;
class ReportList;
class TemplateDialog;
struct WorkerNotice;

class AddressPanel final {
public:
    // Takes the controls of `window` (dialog template 102); works on `store`, and reads groups with `loaders`.
    AddressPanel(TemplateDialog& window, AddressStore& store, LoaderStarter& loaders);
    AddressPanel(const AddressPanel&) = delete;
    AddressPanel& operator=(const AddressPanel&) = delete;

    // The list's columns, once the book is open.
    void setUp();
    // The caption's bold font.
    void setUpCaption();
    // Shows the group `id` named `name` from its first page.
    void showGroup(RowId id, const std::string& name);
    // Shows the group `id` named `name` at the page that holds position `position` of its order, and selects the
    // row of address `addressId` there once it has come.
    void showAddress(RowId id, const std::string& name, std::int64_t position, RowId addressId);
    // The group on show; 0: none.
    RowId groupOnShow() const { return m_nGroupId; }
    const std::string& groupNameOnShow() const { return m_strGroupName; }
    // No group is current any more (it was deleted): the panel is emptied, so that nothing can be added under an
    // id that no list shows.
    void forgetGroup(RowId id);
    // A loader's row (NK_ITEM) or a group's count and last page (NK_TOTAL).
    void takeRow(const WorkerNotice& notice);
    void takeTotal(const WorkerNotice& notice);
    // Copies the caption and the paging label to their controls.
    void pushFields();

    int LoadGroupAsync(RowId groupId);
    int ShowPageAsync();

private:
    void OnPreviousPage();
    void OnNextPage();
    void OnAddAddress();
    // Adds one address; false when the group holds it already (said), so that the editor comes back.
    bool addAddress(RowId groupId, const std::string& email, const std::string& name);
    void OnDeleteAddress();
    void OnEditAddress();
    void OnImport();
    void OnExport();
    void OnFilter();
    void buildPageLabel();

    TemplateDialog& m_window;
    AddressStore& m_store;
    LoaderStarter& m_loaders;
    ReportList* m_listAddresses;
    RowId m_nGroupId = 0; // ids are carried at the database's 64 bits; 0: no group
    std::string m_strGroupName;
    std::int32_t m_nPage = 0;
    std::int32_t m_nLastPage = 0;
    std::int32_t m_nTotal = 0;
    // A jump to one address (showAddress): the page to show once the group's count has come, and the row to select.
    std::int32_t m_pageWanted = -1;
    RowId m_rowWanted = 0;
    std::string m_strGroupCaption;
    std::string m_strPageLabel;
    QFont m_captionFont;
};
