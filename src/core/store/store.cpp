#include "core/store/store.h"

#include "core/doc/messages.h"
#include "core/store/file/filestore.h"

namespace store {

std::unique_ptr<IRegisterStore> OpenStore(const Location& where) { return std::make_unique<FileStore>(where); }

std::string Message(const Status& status, const Location& where, bool saving) {
    switch (status.cause) {
        case Cause::BadFormat: return msg::kUnexpectedFormat;
        case Cause::NoMemory: return saving ? msg::kSaveFailed : msg::kOpenFailed;
        case Cause::Generic:
            if (saving) return msg::kSaveFailed;
            break;
        default: break;
    }
    return FileMessage(status.cause, where.Text());
}

Status ReadWholeFile(const std::string& path, std::string* bytes) { return fileio::ReadShared(path, bytes); }

Status WriteWholeFile(const std::string& path, const std::string& bytes) { return fileio::SafeWrite(path, bytes); }

}  // namespace store
