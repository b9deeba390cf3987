#include "core/store/status.h"

#include <cerrno>

#include "core/doc/messages.h"

namespace store {

namespace {

std::string Replace1(const char* pattern, const std::string& path) {
    std::string s = pattern;
    size_t at = s.find("%1");
    if (at != std::string::npos) s.replace(at, 2, path);
    return s;
}

}  // namespace

Cause CauseFromErrno(int e) {
    switch (e) {
        case 0: return Cause::None;
        case ENOENT: return Cause::FileNotFound;
        case ENOTDIR: case ENAMETOOLONG: case ELOOP: case EINVAL: return Cause::BadPath;
        case EMFILE: case ENFILE: return Cause::TooManyOpenFiles;
        case EACCES: case EPERM: case EROFS: case EISDIR: case ETXTBSY: return Cause::AccessDenied;
        case EBADF: return Cause::InvalidFile;
        case EBUSY: return Cause::RemoveCurrentDir;
        case EMLINK: return Cause::DirectoryFull;
        case ESPIPE: return Cause::BadSeek;
        case EIO: return Cause::HardIO;
        case EAGAIN: return Cause::SharingViolation;
        case EDEADLK: case ENOLCK: return Cause::LockViolation;
        case ENOSPC: case EDQUOT: case EFBIG: return Cause::DiskFull;
        default: return Cause::Generic;
    }
}

std::string FileMessage(Cause c, const std::string& path) {
    switch (c) {
        case Cause::None: return "ｴﾗｰはありませんでした。";
        case Cause::Generic: return Replace1("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", path);
        case Cause::FileNotFound: return Replace1("%1 が見つかりませんでした。", path);
        case Cause::BadPath: return Replace1("%1 には無効なﾊﾟｽが含まれています。", path);
        case Cause::TooManyOpenFiles: return Replace1("開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。", path);
        case Cause::AccessDenied: return Replace1("%1 へのｱｸｾｽは拒否されました。", path);
        case Cause::InvalidFile: return Replace1("%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。", path);
        case Cause::RemoveCurrentDir: return Replace1("現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。", path);
        case Cause::DirectoryFull: return Replace1("%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。", path);
        case Cause::BadSeek: return Replace1("%1 のｼｰｸに失敗しました。", path);
        case Cause::HardIO: return Replace1("%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。", path);
        case Cause::SharingViolation: return Replace1("%1 へのｱｸｾｽ中に共有違反が発生しました。", path);
        case Cause::LockViolation: return Replace1("%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。", path);
        case Cause::DiskFull: return Replace1("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。", path);
        case Cause::EndOfFile: return Replace1("%1 の末尾以降にｱｸｾｽしようとしました。", path);
        case Cause::BadFormat: return msg::kUnexpectedFormat;
        case Cause::NoMemory: return msg::kOpenFailed;
        case Cause::ServerUnreachable: return Replace1("%1 のｻｰﾊﾞｰに接続できませんでした。", path);
        case Cause::ConnectionLost: return Replace1("%1 のｻｰﾊﾞｰとの接続が切れました。", path);
        case Cause::PasswordNeeded: return Replace1("%1 のｻｰﾊﾞｰがﾊﾟｽﾜｰﾄﾞを求めています。", path);
        case Cause::Overlap: return msg::kOverlap;
    }
    return Replace1("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", path);
}

}  // namespace store
