// Names, version and addresses of the product that the installer carries.
#pragma once

// Generated from the build's QUORVALENT_VERSION.
#include "version.h"

inline constexpr char16_t ProductName[] = u"Quorvalent";
inline constexpr char16_t MakerName[] = u"Mirelbrook";
inline constexpr char16_t ProductVersion[] = u"" QUORVALENT_VERSION_TEXT;
inline constexpr char16_t ProductExeName[] = u"Quorvalent.exe";
inline constexpr char16_t InstallerExeName[] = u"QuorvalentInstaller.exe";
inline constexpr char16_t ShortcutFileName[] = u"Quorvalent.lnk";
inline constexpr char16_t ProductResourceName[] = u"EXE_FILE";

// The vendor's web presence: the site, the web API's base (no trailing slash) and the product page.
inline constexpr char16_t VendorWebSiteUrl[] = u"https://www.mirelbrook.com";
inline constexpr char16_t VendorApiUrl[] = u"https://www.mirelbrook.com/api";
inline constexpr char16_t ProductPageUrl[] = u"https://www.mirelbrook.com/quorvalent";
inline constexpr char16_t AgreementUrl[] = u"https://www.mirelbrook.com/agreement";

// Registry keys below HKEY_CURRENT_USER.
inline constexpr char16_t AppRegistryKey[] = u"SOFTWARE\\Mirelbrook\\Quorvalent\\";
inline constexpr char16_t ProgramsListKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvalent";
inline constexpr char16_t PersonalizeKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The folder of the product below the roaming application data, and the Start-menu programs folder.
inline constexpr char16_t DefaultFolderSuffix[] = u"\\Mirelbrook\\Quorvalent";
inline constexpr char16_t StartMenuProgramsSuffix[] = u"\\Microsoft\\Windows\\Start Menu\\Programs\\";

inline constexpr int DestinationFolderMaxLength = 2048;
// Characters that a Windows file name can never hold; the folder field refuses them.
inline constexpr char16_t FolderForbiddenChars[] = u"<>\"|?*";
