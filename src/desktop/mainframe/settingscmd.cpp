#include "desktop/mainframe/settingscmd.h"

#include <string>

#include "core/profile/profile.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/settingdlg.h"
#include "desktop/schedule/schedulepaint.h"

bool RunSettings(ScheduleColors* colors, QWidget* parent, bool serverForbids) {
    CSettingDlg::Values v;
    v.serverForbids = serverForbids;
    v.paidColor = RefFromColor(colors->paid);
    v.unpaidColor = RefFromColor(colors->unpaid);
    v.dup = profile::GetInt(profile::Key::Dup) != 0;
    v.startHour = static_cast<uint32_t>(profile::GetInt(profile::Key::StartTime));
    v.endHour = static_cast<uint32_t>(profile::GetInt(profile::Key::EndTime));
    v.object = profile::GetInt(profile::Key::ViewObject);
    CSettingDlg dlg(v, parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    const CSettingDlg::Values& r = dlg.Result();
    profile::WriteInt(profile::Key::Dup, r.dup ? 1 : 0);
    profile::WriteInt(profile::Key::StartTime, static_cast<int>(r.startHour));
    profile::WriteInt(profile::Key::EndTime, static_cast<int>(r.endHour));
    colors->paid = ColorFromRef(r.paidColor);
    colors->unpaid = ColorFromRef(r.unpaidColor);
    profile::WriteString(profile::Key::RevColor1, std::to_string(r.paidColor));
    profile::WriteString(profile::Key::RevColor2, std::to_string(r.unpaidColor));
    profile::WriteInt(profile::Key::ViewObject, r.object);
    return true;
}
