#include "plugin/scripting.h"

namespace {

using host::FourCC;

const host::OSType kKeyMulti = FourCC("mulK");
const host::OSType kClassInfo = FourCC("mulS");
const host::OSType kKeyRows = FourCC("Hrzn");
const host::OSType kKeyColumns = FourCC("Vrtc");
const host::OSType kKeyMode = FourCC("Md  ");
const host::OSType kKeyInvert = FourCC("Invr");
const host::OSType kTypeMode = FourCC("grmT");
const host::OSType kUnitPixels = FourCC("#Pxl");

host::PIDescriptorParameters* Params(PluginState& st) {
    return DescriptorSuitesPresent(st.record) ? st.record->descriptorParameters : nullptr;
}

void Dispose(PluginState& st, host::Handle h) {
    const host::HandleProcs* hp = st.record->handleProcs;
    if (h && hp && hp->disposeProc) hp->disposeProc(h);
}

int16_t ModeOfEnum(host::DescriptorEnumID e, int16_t current) {
    if (e == FourCC("bitM")) return 0;
    if (e == FourCC("gryS")) return 1;
    if (e == FourCC("indX")) return 2;
    if (e == FourCC("rgbC")) return 3;
    return current;
}

host::DescriptorEnumID EnumOfMode(int16_t mode) {
    switch (mode) {
        case 0:
            return FourCC("bitM");
        case 1:
            return FourCC("gryS");
        case 2:
            return FourCC("indX");
        default:
            return FourCC("rgbC");
    }
}

int16_t PinnedPixels(host::ReadDescriptorProcs* rp, host::PIReadDescriptor token, int16_t current) {
    const double lo = 1, hi = 30000;
    host::DescriptorUnitID unit = kUnitPixels;
    double value = current;
    if (rp->getPinnedUnitFloatProc(token, &lo, &hi, &unit, &value) != 0) return current;
    if (!(value >= lo && value <= hi)) return current;  // also NaN
    return static_cast<int16_t>(value);
}

}  // namespace

bool DescriptorSuitesPresent(const host::AcquireRecord* rec) {
    if (!rec || !rec->descriptorParameters) return false;
    const host::PIDescriptorParameters* dp = rec->descriptorParameters;
    const host::ReadDescriptorProcs* rp = dp->readDescriptorProcs;
    const host::WriteDescriptorProcs* wp = dp->writeDescriptorProcs;
    if (dp->descriptorParametersVersion != 0 || !rp || !wp) return false;
    if (rp->readDescriptorProcsVersion < 0 || rp->numReadDescriptorProcs <= 17) return false;
    if (wp->writeDescriptorProcsVersion < 0 || wp->numWriteDescriptorProcs <= 15) return false;
    // The procedures used below must be there too.
    return rp->openReadDescriptorProc && rp->closeReadDescriptorProc && rp->getKeyProc &&
           rp->getCountProc && rp->getObjectProc && rp->getEnumeratedProc && rp->getBooleanProc &&
           rp->getPinnedUnitFloatProc && wp->openWriteDescriptorProc &&
           wp->closeWriteDescriptorProc && wp->putUnitFloatProc && wp->putEnumeratedProc &&
           wp->putBooleanProc && wp->putCountProc && wp->putObjectProc;
}

void ScriptReadPrepare(PluginState& st) {
    host::PIDescriptorParameters* dp = Params(st);
    if (!dp) return;
    host::ReadDescriptorProcs* rp = dp->readDescriptorProcs;
    if (!st.read_token) {
        host::DescriptorKeyID keys[] = {kKeyMulti, 0};
        st.read_token = rp->openReadDescriptorProc(dp->descriptor, keys);
    }
    if (st.read_token) {
        host::DescriptorKeyID key = 0;
        host::DescriptorTypeID type = 0;
        int32_t flags = 0;
        while (rp->getKeyProc(st.read_token, &key, &type, &flags)) {
            if (key != kKeyMulti) continue;
            uint32_t count = 0;
            if (rp->getCountProc(st.read_token, &count) == 0) {
                st.objects_to_read = static_cast<int32_t>(count > 10000 ? 10000 : count);
            }
        }
    }
    if (dp->playInfo == 1) st.show_dialog = true;
}

void ScriptReadNext(PluginState& st) {
    host::PIDescriptorParameters* dp = Params(st);
    if (!dp || !st.read_token || st.objects_to_read == 0) return;
    host::ReadDescriptorProcs* rp = dp->readDescriptorProcs;
    host::DescriptorTypeID type = 0;
    host::Handle object = nullptr;
    if (rp->getObjectProc(st.read_token, &type, &object) == 0 && object && type == kClassInfo) {
        host::DescriptorKeyID keys[] = {kKeyRows, kKeyColumns, kKeyMode, kKeyInvert, 0};
        host::PIReadDescriptor inner = rp->openReadDescriptorProc(object, keys);
        if (inner) {
            host::DescriptorKeyID key = 0;
            int32_t flags = 0;
            while (rp->getKeyProc(inner, &key, &type, &flags)) {
                if (key == kKeyRows) {
                    st.rows = PinnedPixels(rp, inner, st.rows);
                } else if (key == kKeyColumns) {
                    st.columns = PinnedPixels(rp, inner, st.columns);
                } else if (key == kKeyMode) {
                    host::DescriptorEnumID e = 0;
                    if (rp->getEnumeratedProc(inner, &e) == 0) st.mode = ModeOfEnum(e, st.mode);
                } else if (key == kKeyInvert) {
                    host::Boolean b = 0;
                    if (rp->getBooleanProc(inner, &b) == 0) st.invert = b != 0;
                }
            }
            const int16_t code = rp->closeReadDescriptorProc(inner);
            if (code != 0 && code != host::kErrMissingParameter) st.result = code;
        }
    }
    Dispose(st, object);
    st.got_image = true;
    if (--st.objects_to_read <= 0) {
        st.objects_to_read = 0;
        const int16_t code = CloseReadDescriptor(st);
        if (code != 0 && code != host::kErrMissingParameter) st.result = code;
    }
}

int16_t CloseReadDescriptor(PluginState& st) {
    host::PIDescriptorParameters* dp = Params(st);
    if (!dp || !st.read_token) return 0;
    const int16_t code = dp->readDescriptorProcs->closeReadDescriptorProc(st.read_token);
    st.read_token = nullptr;
    Dispose(st, dp->descriptor);
    dp->descriptor = nullptr;
    return code;
}

void ScriptRecordImage(PluginState& st) {
    host::PIDescriptorParameters* dp = Params(st);
    if (!dp) return;
    host::WriteDescriptorProcs* wp = dp->writeDescriptorProcs;
    host::PIWriteDescriptor w = wp->openWriteDescriptorProc();
    if (!w) return;
    const double rows = st.rows, columns = st.columns;
    wp->putUnitFloatProc(w, kKeyRows, kUnitPixels, &rows);
    wp->putUnitFloatProc(w, kKeyColumns, kUnitPixels, &columns);
    wp->putEnumeratedProc(w, kKeyMode, kTypeMode, EnumOfMode(st.mode));
    if (st.invert) wp->putBooleanProc(w, kKeyInvert, 1);
    host::Handle h = nullptr;
    wp->closeWriteDescriptorProc(w, &h);
    if (!h) return;
    if (st.script_count >= kScriptListCapacity) {
        Dispose(st, st.script_list[kScriptListCapacity - 1]);
        st.script_list[kScriptListCapacity - 1] = h;
    } else {
        st.script_list[st.script_count++] = h;
    }
}

void ScriptWriteList(PluginState& st) {
    host::PIDescriptorParameters* dp = Params(st);
    if (!dp) return;
    if (st.script_count == 0) {
        st.result = host::kUserCanceledErr;
        return;
    }
    host::WriteDescriptorProcs* wp = dp->writeDescriptorProcs;
    host::PIWriteDescriptor w = wp->openWriteDescriptorProc();
    if (w) wp->putCountProc(w, kKeyMulti, static_cast<uint32_t>(st.script_count));
    for (int i = 0; i < st.script_count; ++i) {
        if (w) wp->putObjectProc(w, kKeyMulti, kClassInfo, st.script_list[i]);
        Dispose(st, st.script_list[i]);
        st.script_list[i] = nullptr;
    }
    st.script_count = 0;
    if (!w) return;
    host::Handle h = nullptr;
    wp->closeWriteDescriptorProc(w, &h);
    Dispose(st, dp->descriptor);
    dp->descriptor = h;
    dp->recordInfo = 0;
    st.result = 0;
}
