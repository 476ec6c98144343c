// The menu "名单(&L)" of the main window: the list tools, each in a dialog of its own.
#pragma once

class AddressStore;
class ListToolsHost;
class QMenuBar;
class QWidget;

// Object names of the menu's actions, for tests and the screenshots.
namespace ListMenuActions {
inline constexpr const char* kExportGroup = "listExportGroup";
inline constexpr const char* kImportNamed = "listImportNamed";
inline constexpr const char* kFind = "listFind";
inline constexpr const char* kRemoveListed = "listRemoveListed";
inline constexpr const char* kGroupArithmetic = "listGroupArithmetic";
inline constexpr const char* kCaseDuplicates = "listCaseDuplicates";
} // namespace ListMenuActions

// Puts the menu into `bar` before its last menu (帮助); its dialogs open over `window` and work on `store`.
void addListMenu(QMenuBar& bar, QWidget& window, AddressStore& store, ListToolsHost& host);
