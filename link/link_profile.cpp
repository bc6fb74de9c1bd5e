#include "link/link_profile.h"

namespace {

const LinkProfile kProgramProfile = {&ProgramMessages(), false, 2000, 0, false, false};
const LinkProfile kPluginProfile = {&PluginMessages(), true, 5000, 50, true, true};
const LinkProfile* g_profile = &kProgramProfile;

}  // namespace

const LinkProfile& ProgramLinkProfile() {
    return kProgramProfile;
}
const LinkProfile& PluginLinkProfile() {
    return kPluginProfile;
}
const LinkProfile& CurrentLinkProfile() {
    return *g_profile;
}
void SelectLinkProfile(const LinkProfile& profile) {
    g_profile = &profile;
    SelectMessages(*profile.messages);
}
