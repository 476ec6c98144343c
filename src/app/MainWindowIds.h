// Ids of the main window's controls and commands (dialog template 102, menu 132).
#pragma once

namespace MainWindowIds {

inline constexpr int kTemplate = 102;

inline constexpr int kGroupList = 1000;
inline constexpr int kNewGroup = 1001;
inline constexpr int kDeleteGroup = 1002;
inline constexpr int kRenameGroup = 1003;
inline constexpr int kAddressList = 1005;
inline constexpr int kAddAddress = 1006;
inline constexpr int kDeleteAddress = 1007;
inline constexpr int kEditAddress = 1008;
inline constexpr int kImport = 1009;
inline constexpr int kExport = 1010;
inline constexpr int kFilter = 1011;
inline constexpr int kGroupCaption = 1012;
inline constexpr int kMarketingLink = 1013;
inline constexpr int kSearchLink = 1014;
inline constexpr int kLatestLink = 1015;
inline constexpr int kSearchBox = 1016;
inline constexpr int kGoogle = 1017;
inline constexpr int kBaidu = 1018;
inline constexpr int kPreviousPage = 1019;
inline constexpr int kNextPage = 1020;
inline constexpr int kLinkList = 1021;
inline constexpr int kPageLabel = 1023;

inline constexpr int kExitCommand = 32775;
inline constexpr int kMassMailingCommand = 32776;
inline constexpr int kEmailSearchCommand = 32777;
inline constexpr int kAboutCommand = 32778;
inline constexpr int kHomePageCommand = 32780;

// The About entry of the window menu, and the string that names it.
inline constexpr int kAboutSystemCommand = 0x0010;
inline constexpr int kAboutSystemString = 101;

} // namespace MainWindowIds
