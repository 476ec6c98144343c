// Removing the addresses that a file lists (bounces, unsubscribes) from a group or every group.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Object names of the dialog's controls, for tests.
namespace RemoveListedControls {
inline constexpr const char* kFile = "removeFile";
inline constexpr const char* kBrowse = "removeBrowse";
inline constexpr const char* kOneGroup = "removeOneGroup";
inline constexpr const char* kAllGroups = "removeAllGroups";
inline constexpr const char* kGroup = "removeGroup";
inline constexpr const char* kIgnoreCase = "removeIgnoreCase";
inline constexpr const char* kSaveRows = "removeSaveRows";
inline constexpr const char* kStart = "removeStart";
} // namespace RemoveListedControls

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openRemoveListed(QWidget* parent, AddressStore& store, ListToolsHost& host);
