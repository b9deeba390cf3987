#include "core/store/status.h"

#include <cerrno>

#include "core/doc/messages.h"
#include "core/doc/text.h"

namespace store {

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
        case Cause::Generic: return text::Fill("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", path);
        case Cause::FileNotFound: return text::Fill("%1 が見つかりませんでした。", path);
        case Cause::BadPath: return text::Fill("%1 には無効なﾊﾟｽが含まれています。", path);
        case Cause::TooManyOpenFiles: return text::Fill("開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。", path);
        case Cause::AccessDenied: return text::Fill("%1 へのｱｸｾｽは拒否されました。", path);
        case Cause::InvalidFile: return text::Fill("%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。", path);
        case Cause::RemoveCurrentDir: return text::Fill("現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。", path);
        case Cause::DirectoryFull: return text::Fill("%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。", path);
        case Cause::BadSeek: return text::Fill("%1 のｼｰｸに失敗しました。", path);
        case Cause::HardIO: return text::Fill("%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。", path);
        case Cause::SharingViolation: return text::Fill("%1 へのｱｸｾｽ中に共有違反が発生しました。", path);
        case Cause::LockViolation: return text::Fill("%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。", path);
        case Cause::DiskFull: return text::Fill("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。", path);
        case Cause::EndOfFile: return text::Fill("%1 の末尾以降にｱｸｾｽしようとしました。", path);
        case Cause::BadFormat: return msg::kUnexpectedFormat;
        case Cause::NoMemory: return msg::kOpenFailed;
        case Cause::ServerUnreachable: return text::Fill("%1 のｻｰﾊﾞｰに接続できませんでした。", path);
        case Cause::ConnectionLost: return text::Fill("%1 のｻｰﾊﾞｰとの接続が切れました。", path);
        case Cause::PasswordNeeded: return text::Fill("%1 のｻｰﾊﾞｰがﾊﾟｽﾜｰﾄﾞを求めています。", path);
        case Cause::Overlap: return msg::kOverlap;
        case Cause::LinkedElsewhere:
            return text::Fill("%1 には別のﾌｫﾙﾀﾞにもﾊｰﾄﾞ ﾘﾝｸがあるため、途中で止まっても元に戻せる形で保存できません。"
                              "ﾘﾝｸを同じﾌｫﾙﾀﾞにまとめるか、1つにしてください。", path);
    }
    return text::Fill("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", path);
}

}  // namespace store
