#pragma once
// "年月日の指定": asks for the day the schedule moves to, and names the
// national holiday of the day typed (label_holiday).
#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;

class CDateDlg : public QDialog {
    Q_OBJECT
public:
    CDateDlg(uint32_t year, uint32_t month, uint32_t day, QWidget* parent = nullptr);

    // After OK: the day typed, rolled over into a real one (2000/13/1 is
    // 2001/1/1).
    uint32_t m_nMonth = 0;
    uint32_t m_nYear = 0;
    uint32_t m_nDay = 0;

    void accept() override;

private:
    void ShowHoliday();

    QLabel* holiday_;
    QLineEdit* year_;
    QLineEdit* month_;
    QLineEdit* day_;
};
