// Recording and playback through the host's descriptor suites: the host can record each
// acquired picture's rows, columns, mode and invert flag as an object of class 'mulS' in a list
// under 'mulK', and play such a list back. Every step does nothing when the host offers no
// descriptor suites.
#pragma once
#include <cstdint>

#include "plugin/acquire.h"

// Prepare: opens the read descriptor, reads the list's count; the dialog is shown when the
// host plays with dialogs.
void ScriptReadPrepare(PluginState& st);
// Start: reads the next recorded object into rows, columns, mode and invert.
void ScriptReadNext(PluginState& st);
// Closes the read descriptor and disposes the host's descriptor; returns the close's code.
int16_t CloseReadDescriptor(PluginState& st);
// Finish: records the picture just delivered in the list (at most 50; the last is replaced).
void ScriptRecordImage(PluginState& st);
// Finalize: hands the list to the host as its new descriptor; -128 when the list is empty.
void ScriptWriteList(PluginState& st);
