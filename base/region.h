// RegionCode: which regional variant of dialog templates, texts and date orders the program
// uses. It is chosen once at start from the language of the system's common-dialog library
// and read by every window that picks a template.
#pragma once

enum Region { kRegionEnglish = 0, kRegionFrench = 1, kRegionGerman = 2, kRegionJapanese = 3 };

int RegionCode();
void SetRegionCode(int region);

// The region of a Windows language identifier (1031 German, 1036 French, 1041 Japanese,
// anything else English).
int RegionFromLanguage(int language);

// Dialogs and file-dialog filters that come in regional variants.
enum class RegionalTemplate {
    kCommSetup,  // COM port setup
    kBrowser,    // camera browser
    kMeter,      // progress dialog
    kClock,      // clock setup
    kAdjust,     // image adjustment
    kImageSize,  // image size
    kSlideShow,  // slide show options
    kFileOpen,   // open dialog filter
    kFileSave,   // save dialog filter
};
// The resource name of a template in a region (unknown regions use the English one).
const char* RegionalTemplateName(RegionalTemplate which, int region);

// The status bar's idle text: "Ready", or empty in the Japanese region.
const char* IdleText(int region);

// Right edges of the five status-bar parts for a frame client width.
void StatusPartEdges(int client_width, int region, int edges[5]);
