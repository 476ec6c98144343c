// Ids of the small dialogs' templates and controls (res/dialogs/*.json), named for the code and the tests that
// drive the dialogs. OK and Cancel are IDOK and IDCANCEL (ui/TemplateDialog.h).
#pragma once

// The About box, template 100.
namespace AboutIds {
inline constexpr int kTemplate = 100;
inline constexpr int kVersion = 1022;
inline constexpr int kHomeLink = 1023;
inline constexpr int kBook = 1024;
} // namespace AboutIds

// The duplicate filter, template 129.
namespace FilterIds {
inline constexpr int kTemplate = 129;
inline constexpr int kInputPath = 1002;
inline constexpr int kOutputPath = 1003;
inline constexpr int kBrowseInput = 1004;
inline constexpr int kGroupLabel = 1005;
inline constexpr int kBrowseOutput = 1006;
inline constexpr int kStart = 1007;
inline constexpr int kStatus = 1008;
inline constexpr int kHelpLink = 1017;
} // namespace FilterIds

// The name entry dialog, template 130.
namespace NameEntryIds {
inline constexpr int kTemplate = 130;
inline constexpr int kText = 1013;
} // namespace NameEntryIds

// The address editor, template 131.
namespace AddressEditorIds {
inline constexpr int kTemplate = 131;
inline constexpr int kName = 1014;
inline constexpr int kGroupList = 1015;
inline constexpr int kEmail = 1016;
} // namespace AddressEditorIds
