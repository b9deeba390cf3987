#pragma once
// The three record classes of a register: facility, reservation, user.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/doc/recordblock.h"

class CArchive;

constexpr int RECORD_VERSION = 200;

// Signed 32-bit seconds since 1970 UTC; -1 means "not set".
using KvTime = int32_t;
constexpr KvTime kTimeUnset = -1;

class CKivo {
public:
    static constexpr const char* kClassName = "CKivo";
    static constexpr int kSchema = 1;

    int m_nID = 0;
    std::string m_strName;
    int m_nMaxPeople = 0;
    std::string m_strComment;

    void Serialize(CArchive& ar);
};

// Which record of the register's last state a reservation was read from or
// written as (ReserveSpans, kvformat.h): where a save looks first for bytes
// it may copy. A copy is a record of its own and starts with no place.
class FilePlace {
public:
    static constexpr uint32_t kNone = UINT32_MAX;
    FilePlace() = default;
    FilePlace(const FilePlace&) {}
    FilePlace& operator=(const FilePlace&) {
        pos_ = kNone;
        return *this;
    }
    uint32_t Get() const { return pos_; }
    void Set(uint32_t pos) { pos_ = pos; }
    void Forget() { pos_ = kNone; }

private:
    uint32_t pos_ = kNone;
};

class CReserve {
public:
    static constexpr const char* kClassName = "CReserve";
    static constexpr int kSchema = 2;

    std::string m_strUser;
    std::string m_strPurpose;
    std::string m_strContact;
    KvTime m_timeStart = kTimeUnset;
    KvTime m_timeEnd = kTimeUnset;
    int m_nFacilityID = 0;
    int m_bPaid = 0;
    int m_nSpare = 0;
    int m_nFee = 0;
    FilePlace m_place;  // not a field: compared and stored by nobody

    bool IsEqual(const CReserve& other) const;
    void Serialize(CArchive& ar);

    // Whether Serialize stores exactly the n bytes at p (the record's version
    // word through its fee): a save copies such bytes instead of writing them.
    bool StoresAs(const char* p, size_t n) const;
};

class CKivoUser {
public:
    static constexpr const char* kClassName = "CKivoUser";
    static constexpr int kSchema = 3;

    std::string m_strName;
    std::string m_strCharge;
    std::string m_strTel;
    std::string m_strZip;
    std::string m_strAddress;
    std::string m_strMail;
    std::string m_strMemo;

    bool IsEqual(const CKivoUser& other) const;
    // Field 0..6 in file order (name, charge, tel, zip, address, mail, memo);
    // nullptr for any other number.
    const std::string* Field(int n) const;
    std::string* Field(int n);
    void Serialize(CArchive& ar);
};

// The user a read of a register adds for a reservation's user who is none:
// the name, and the name again as the person in charge.
std::unique_ptr<CKivoUser> MissingUser(const std::string& name);

// The document owns its records; positions address them for one command only.
using FacilityArray = std::vector<RecordPtr<CKivo>>;
using ReserveArray = std::vector<RecordPtr<CReserve>>;
using UserArray = std::vector<RecordPtr<CKivoUser>>;
