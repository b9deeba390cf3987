#include "core/store/store.h"

#include "core/doc/messages.h"
#include "core/store/file/filestore.h"
#ifdef ORVALIS_HAVE_PG
#include "core/store/pg/pgstore.h"
#endif

namespace store {

#ifndef ORVALIS_HAVE_PG
namespace {

// A build without the server's client library: a server register cannot be reached.
class NoServerStore : public IRegisterStore {
public:
    explicit NoServerStore(Location where) : where_(std::move(where)) {}
    const Location& Where() const override { return where_; }
    Status Read(RegisterData*, StoreFacts*) override { return {Cause::ServerUnreachable}; }
    Status Scan(const std::function<void(size_t, const CReserve&)>&, FacilityArray*, UserArray*) override {
        return {Cause::ServerUnreachable};
    }
    Reading ReadIfChanged(RegisterData*, RegisterData*, StoreFacts*) override { return Reading::Failed; }
    std::unique_ptr<ITransaction> Begin(Status* status) override {
        *status = {Cause::ServerUnreachable};
        return nullptr;
    }
    Status Replace(const RegisterData&) override { return {Cause::ServerUnreachable}; }
    void Forget() override {}
    std::vector<std::string> WatchPaths() const override { return {}; }

private:
    Location where_;
};

}  // namespace
#endif

std::unique_ptr<IRegisterStore> OpenStore(const Location& where) {
    if (where.kind() == Kind::Server) {
#ifdef ORVALIS_HAVE_PG
        return std::make_unique<pg::PgStore>(where);
#else
        return std::make_unique<NoServerStore>(where);
#endif
    }
    return std::make_unique<FileStore>(where);
}

std::string Message(const Status& status, const Location& where, bool saving) {
    switch (status.cause) {
        case Cause::BadFormat: return msg::kUnexpectedFormat;
        case Cause::NoMemory: return saving ? msg::kSaveFailed : msg::kOpenFailed;
        case Cause::Generic:
            if (saving) return msg::kSaveFailed;
            break;
        case Cause::ConnectionLost:
            // The COMMIT went and no answer came: the desk must look before trying again.
            if (status.unknown)
                return FileMessage(status.cause, where.Text()) + "変更が保存されたかどうかわかりません。確かめてから、必要ならやり直してください。";
            break;
        default: break;
    }
    return FileMessage(status.cause, where.Text());
}

Status ReadWholeFile(const std::string& path, std::string* bytes) { return fileio::ReadShared(path, bytes); }

Status WriteWholeFile(const std::string& path, const std::string& bytes) { return fileio::SafeWrite(path, bytes); }

}  // namespace store
