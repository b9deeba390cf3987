// kvtool's commands that read a register: check, export, list; and the
// reading and writing every command shares.
#include <functional>
#include <new>

#include "core/booking/rules.h"
#include "core/doc/archive.h"
#include "core/doc/fileio.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "kvtool.h"

namespace kvtool {

namespace {

// Reads path and hands its bytes to parse; a read or format fault is
// reported with its message.
int ParseFile(const std::string& path, const std::function<void(const unsigned char*, size_t)>& parse) {
    std::string bytes;
    fileio::Status st = fileio::ReadShared(path, &bytes);
    if (!st.ok()) {
        Error(fileio::FileMessage(st.cause, path));
        return kFileError;
    }
    try {
        parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    } catch (const CArchiveException&) {
        Error(msg::kUnexpectedFormat);
        return kFileError;
    } catch (const std::bad_alloc&) {
        Error(msg::kOpenFailed);
        return kFileError;
    }
    return kOk;
}

}  // namespace

int LoadFile(const std::string& path, RegisterData* data) {
    return ParseFile(path, [data](const unsigned char* p, size_t n) { LoadRegister(p, n, data); });
}

int LoadDoc(const std::string& path, CKivoDoc* doc) {
    RegisterData data;
    int rc = LoadFile(path, &data);
    if (rc != kOk) return rc;
    doc->m_arFacility = std::move(data.facilities);
    doc->m_arReserve = std::move(data.reserves);
    doc->m_arUser = std::move(data.users);
    doc->SetPathName(path);
    // As the program has it once open: every reservation's user is a user.
    doc->AddMissingUsers();
    return kOk;
}

int WriteFile(const std::string& path, const std::string& bytes) {
    fileio::Status st = fileio::SafeWrite(path, bytes);
    if (!st.ok()) {
        Error(fileio::FileMessage(st.cause, path));
        return kFileError;
    }
    return kOk;
}

void KeepUntilExit(RegisterData&& d) {
    static RegisterData* kept = nullptr;
    delete kept;
    kept = new RegisterData(std::move(d));
}

void KeepUntilExit(CKivoDoc& doc) {
    RegisterData d;
    d.facilities = std::move(doc.m_arFacility);
    d.reserves = std::move(doc.m_arReserve);
    d.users = std::move(doc.m_arUser);
    KeepUntilExit(std::move(d));
}

int Check(const Options& o) {
    // What the repair pass would offer: reservations with an unset time. No
    // record is kept, and nothing is printed of a file that proves damaged.
    std::string out;
    const int rc = ParseFile(o.args[0], [&out](const unsigned char* p, size_t n) {
        ScanRegister(p, n, [&out](size_t i, const CReserve& r) {
            if (r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset) return;
            out += std::to_string(i) + "\t" + text::ToUtf8(r.m_strUser) + "\t" + std::to_string(r.m_timeStart) + "\t" +
                   std::to_string(r.m_timeEnd) + "\n";
        });
    });
    if (rc == kOk) Print(out);
    return rc;
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
