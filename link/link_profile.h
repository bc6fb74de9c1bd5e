// What differs between the program's and the plug-in's build of the camera link: the waits,
// the port-name rule, the signature receiver's strictness, and the message tables the link's
// boxes come from. Chosen once at start.
#pragma once
#include <cstdint>

#include "base/messages.h"

struct LinkProfile {
    const MessageTables* messages;  // selected together with the profile
    bool plugin;                    // upper-case port names only, speeds outside the table = 115200
    uint32_t set_speed_timeout_ms;  // each set-speed attempt of the speed negotiation
    uint32_t connect_step_wait_ms;  // 0: the program's own waits between connect steps
    bool single_signature_end;      // the signature end-session command makes one attempt
    bool strict_line_errors;        // signature receiver fails with 18 on any line error
};

const LinkProfile& ProgramLinkProfile();
const LinkProfile& PluginLinkProfile();
// The profile in force (the program's by default). Selecting one selects its message tables.
const LinkProfile& CurrentLinkProfile();
void SelectLinkProfile(const LinkProfile& profile);
