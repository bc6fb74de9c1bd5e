#include "base/region.h"

namespace {
int g_region = kRegionEnglish;

struct TemplateRow {
    RegionalTemplate which;
    const char* english;
    const char* european;  // French and German
    const char* japanese;
};

const TemplateRow kTemplates[] = {
    {RegionalTemplate::kCommSetup, "CommParaSet", "CommParaSet_EU", "CommParaSet"},
    {RegionalTemplate::kBrowser, "MemReq2", "MEMReq2_EU", "MEMReq2_JAPAN"},
    {RegionalTemplate::kMeter, "MeterDlg", "MeterDlg_EU", "MeterDlg"},
    {RegionalTemplate::kClock, "TIMESETUP_US", "TIMESETUP_EU", "TIMESETUP_JAPAN"},
    {RegionalTemplate::kAdjust, "PHTDLG_US", "PHTDLG_EU", "PHTDLG_JAPAN"},
    {RegionalTemplate::kImageSize, "SIZECHANGE_US", "SIZECHANGE_EU", "SIZECHANGE_JAPAN"},
    {RegionalTemplate::kSlideShow, "VIEWSETUP", "VIEWSETUP_EU", "VIEWSETUP"},
    {RegionalTemplate::kFileOpen, "FILEOPEN", "FILEOPEN", "FILEOPEN_JAPAN"},
    {RegionalTemplate::kFileSave, "FILESAVE", "FILESAVE", "FILESAVE_JAPAN"},
};
}  // namespace

int RegionCode() {
    return g_region;
}
void SetRegionCode(int region) {
    g_region = region >= kRegionEnglish && region <= kRegionJapanese ? region : kRegionEnglish;
}

int RegionFromLanguage(int language) {
    switch (language) {
        case 1031:
            return kRegionGerman;
        case 1036:
            return kRegionFrench;
        case 1041:
            return kRegionJapanese;
        default:
            return kRegionEnglish;
    }
}

const char* RegionalTemplateName(RegionalTemplate which, int region) {
    for (const TemplateRow& row : kTemplates) {
        if (row.which != which) continue;
        if (region == kRegionFrench || region == kRegionGerman) return row.european;
        if (region == kRegionJapanese) return row.japanese;
        return row.english;
    }
    return "";
}

const char* IdleText(int region) {
    return region == kRegionJapanese ? "" : "Ready";
}

void StatusPartEdges(int client_width, int region, int edges[5]) {
    static const int kWide[5] = {332, 246, 171, 85, 10};
    static const int kNarrow[5] = {300, 230, 155, 85, 10};
    const int* set = region == kRegionJapanese ? kNarrow : kWide;
    for (int i = 0; i < 5; ++i) edges[i] = client_width - set[i];
}
