#pragma once
// The program's fixed texts, each written once, exactly as the desk sees them.
namespace msg {

inline constexpr const char* kAppName = "Orvalis";
inline constexpr const char* kUnexpectedFormat = "予期しないﾌｧｲﾙ形式です。";
inline constexpr const char* kOpenFailed = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
inline constexpr const char* kSaveFailed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
inline constexpr const char* kEditConflict = "Err:編集中のデータは変更されています。再度変更し直してください";
inline constexpr const char* kBadDate = "日付が不正です";
inline constexpr const char* kBadStart = "開始時刻が不正です";
inline constexpr const char* kBadEnd = "終了時刻が不正です";
inline constexpr const char* kOverlap = "既に予約されています";
inline constexpr const char* kStrayHelper =
    "%1 は、このﾌﾟﾛｸﾞﾗﾑが保存の途中で残したﾌｧｲﾙではないため、使わずにそのままにしてあります。";
inline constexpr const char* kSelectFacility = "施設を選択してください。";
inline constexpr const char* kNotUnsigned = "正の整数を入力してください。";
inline constexpr const char* kOutOf16Bits = "0 から 65535 までの整数を入力してください。";
inline constexpr const char* kConfirmDelete = "削除しますか？";
inline constexpr const char* kNotFound = "見つかりません";
inline constexpr const char* kExportOpenFailed = "出力ファイルを開けません";
inline constexpr const char* kExportWriteFailed = "出力ファイルへの書き込みに失敗しました。";
inline constexpr const char* kRepairText =
    "時刻が設定されていないデータがあります。正しい日付を入力するか、このデータを削除してください。";
// %1 names the character that CP932 cannot hold.
inline constexpr const char* kCannotEncode = "「%1」はこのファイルに保存できない文字です。";
// %1 is the reservation's real end, "%Y/%m/%d %H:%M".
inline constexpr const char* kEndNotShown = "この予約の終了日時 %1 は予約の入力で表せないため、編集できません。";

}  // namespace msg
