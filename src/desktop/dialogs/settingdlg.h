#pragma once
// "設定": overlap rule, the hours the schedule shows, what a box says, and
// the two fee colours.
#include <QDialog>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;

class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    struct Values {
        uint32_t paidColor = 65280;    // 0x00BBGGRR
        uint32_t unpaidColor = 65280;
        bool dup = false;              // refuse overlaps
        uint32_t startHour = 0;
        uint32_t endHour = 0;
        int object = -1;               // position in the display-content list
        bool serverForbids = false;    // the register's server refuses overlaps itself (shown only)
    };

    CSettingDlg(const Values& initial, QWidget* parent = nullptr);
    const Values& Result() const { return v_; }

    void accept() override;

private:
    // UpdateData: controls to members (false after a refusal) and back.
    bool ReadControls();
    void ShowMembers();
    void PickColor(uint32_t* color);

    Values v_;
    QCheckBox* dup_;
    QLineEdit* start_;
    QLineEdit* end_;
    QComboBox* object_;
};
