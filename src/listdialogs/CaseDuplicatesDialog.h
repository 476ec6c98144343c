// The addresses of a group that differ only in letter case, keeping the first stored of each.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Object names of the dialog's controls, for tests.
namespace CaseDuplicatesControls {
inline constexpr const char* kGroup = "group";
inline constexpr const char* kSets = "sets";
inline constexpr const char* kSummary = "summary";
inline constexpr const char* kDelete = "deleteDuplicates";
} // namespace CaseDuplicatesControls

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openCaseDuplicates(QWidget* parent, AddressStore& store, ListToolsHost& host);
