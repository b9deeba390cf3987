// kvtool's commands that read a register: check, export, list; and the
// reading and writing every command shares.
#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "core/store/store.h"
#include "kvtool.h"

namespace kvtool {

namespace {

// Messages of the document go to standard error; kvtool repairs nothing.
class StderrHost : public IDocHost {
public:
    void ShowMessage(const std::string& utf8, Icon) override { Error(utf8); }
    bool RunRepairDialog(CKivoDoc&, int, ReserveEntry*) override { return false; }
};

int Failed(const store::Status& st, const std::string& location) {
    Error(store::Message(st, store::Location::Parse(location), false));
    return kFileError;
}

}  // namespace

IDocHost& StderrDocHost() {
    static StderrHost host;
    return host;
}

int LoadFile(const std::string& location, RegisterData* data) {
    const store::Status st = store::OpenStore(store::Location::Parse(location))->Read(data, nullptr);
    return st.ok() ? kOk : Failed(st, location);
}

int LoadDoc(const std::string& location, CKivoDoc* doc) {
    // As the program has it once open: every reservation's user is a user;
    // the repair pass offers nothing here.
    doc->SetHost(&StderrDocHost());
    return doc->OnOpenDocument(location) ? kOk : kFileError;
}

int WriteRegister(const std::string& location, const RegisterData& data) {
    const store::Status st = store::OpenStore(store::Location::Parse(location))->Replace(data);
    return st.ok() ? kOk : Failed(st, location);
}

int WriteFile(const std::string& path, const std::string& bytes) {
    const store::Status st = store::WriteWholeFile(path, bytes);
    if (st.ok()) return kOk;
    Error(store::FileMessage(st.cause, path));
    return kFileError;
}

int Check(const Options& o) {
    // What the repair pass would offer: reservations with an unset time. No
    // record is kept, and nothing is printed of a file that proves damaged.
    std::string out;
    const store::Status st =
        store::OpenStore(store::Location::Parse(o.args[0]))->Scan([&out](size_t i, const CReserve& r) {
            if (r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset) return;
            out += std::to_string(i) + "\t" + text::ToUtf8(r.m_strUser) + "\t" + std::to_string(r.m_timeStart) + "\t" +
                   std::to_string(r.m_timeEnd) + "\n";
        });
    if (!st.ok()) return Failed(st, o.args[0]);
    Print(out);
    return kOk;
}

int Export(const Options& o) {
    if (o.args[0] == "ical") return ExportIcal(o);
    ExportKind kind;
    // The choice of bookings is the calendar's alone: the lists are written whole.
    if (!ExportKindFromName(o.args[0], &kind) || !o.values.empty()) {
        Error(o.usage);
        return kBadArgs;
    }
    CKivoDoc doc;
    int rc = LoadDoc(o.args[1], &doc);
    if (rc != kOk) return rc;
    ExportStatus st = WriteExport(kind, doc, o.args[2]);
    if (st != ExportStatus::Ok) {
        Error(ExportMessage(st));
        return kFileError;
    }
    return kOk;
}

int List(const Options& o) {
    SortKey key = SortKeyFromNumber(profile::GetInt(profile::Key::RViewSort));
    if (o.Has("--sort")) {
        uint32_t k;
        if (!ParseUnsigned(o.Get("--sort"), &k) || k > 5) {
            Error("kvtool list: --sort takes 0..5");
            return kBadArgs;
        }
        key = SortKeyFromNumber(static_cast<int>(k));
    }
    CKivoDoc doc;
    int rc = LoadDoc(o.args[0], &doc);
    if (rc != kOk) return rc;
    // A list window sorts when it opens and again as it fills; ties land
    // where two passes put them, and so they do here.
    doc.SortReserves(key);
    doc.SortReserves(key);
    FacilityNames names(doc.m_arFacility);
    std::string out;
    for (const auto& r : doc.m_arReserve) {
        out += text::ToUtf8(ReserveListLine(*r, names.Of(r->m_nFacilityID)));
        out += '\n';
    }
    Print(out);
    return kOk;
}

#ifndef KVTOOL_RENDER
int Render(const Options&) {
    Error("kvtool render: this build has no drawing support");
    return kBadArgs;
}
#endif

}  // namespace kvtool
