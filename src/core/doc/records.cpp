#include "core/doc/records.h"

#include <cstring>

#include "core/doc/archive.h"

namespace {

// Fields stored in 16 bits keep their low half in the file.
uint16_t Low16(int v) { return static_cast<uint16_t>(static_cast<uint32_t>(v) & 0xFFFF); }

}  // namespace

void CKivo::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteWord(RECORD_VERSION);
        ar.WriteWord(Low16(m_nID));
        ar.WriteString(m_strName);
        ar.WriteWord(Low16(m_nMaxPeople));
        ar.WriteString(m_strComment);
    } else {
        ar.SetLoadVersion(ar.ReadWord());
        m_nID = ar.ReadWord();
        ar.ReadString(m_strName);
        m_nMaxPeople = ar.ReadWord();
        ar.ReadString(m_strComment);
    }
}

bool CReserve::IsEqual(const CReserve& o) const {
    return m_strUser == o.m_strUser && m_strPurpose == o.m_strPurpose && m_strContact == o.m_strContact &&
           m_timeStart == o.m_timeStart && m_timeEnd == o.m_timeEnd && m_nFacilityID == o.m_nFacilityID &&
           m_bPaid == o.m_bPaid && m_nSpare == o.m_nSpare && m_nFee == o.m_nFee;
}

void CReserve::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteWord(RECORD_VERSION);
        ar.WriteString(m_strUser);
        ar.WriteString(m_strPurpose);
        ar.WriteString(m_strContact);
        ar.WriteDWord(static_cast<uint32_t>(m_timeStart));
        ar.WriteDWord(static_cast<uint32_t>(m_timeEnd));
        ar.WriteWord(Low16(m_nFacilityID));
        ar.WriteWord(Low16(m_bPaid));
        ar.WriteWord(Low16(m_nSpare));
        ar.WriteWord(Low16(m_nFee));
    } else {
        const int version = ar.ReadWord();
        if (version != RECORD_VERSION) ar.NoteIrregular();  // a save writes it otherwise
        ar.ReadString(m_strUser);
        ar.ReadString(m_strPurpose);
        ar.ReadString(m_strContact);
        m_timeStart = static_cast<KvTime>(ar.ReadDWord());
        m_timeEnd = static_cast<KvTime>(ar.ReadDWord());
        m_nFacilityID = ar.ReadWord();
        if (version >= RECORD_VERSION) {
            m_bPaid = ar.ReadWord();
            m_nSpare = ar.ReadWord();
            m_nFee = ar.ReadWord();
        } else {
            // A record read into one that held another keeps nothing of it.
            m_bPaid = m_nSpare = m_nFee = 0;
        }
    }
}

bool CReserve::StoresAs(const char* p, size_t n) const {
    const char* const end = p + n;
    auto word = [&p, end](uint16_t v) {
        if (end - p < 2 || static_cast<uint8_t>(p[0]) != (v & 0xFF) || static_cast<uint8_t>(p[1]) != (v >> 8))
            return false;
        p += 2;
        return true;
    };
    // Only the short form of a length: a longer text is written anew.
    auto text = [&p, end](const std::string& s) {
        const size_t len = s.size();
        if (len >= 255 || static_cast<size_t>(end - p) < len + 1 || static_cast<uint8_t>(*p) != len ||
            std::memcmp(p + 1, s.data(), len) != 0)
            return false;
        p += len + 1;
        return true;
    };
    const uint32_t start = static_cast<uint32_t>(m_timeStart), stop = static_cast<uint32_t>(m_timeEnd);
    return word(RECORD_VERSION) && text(m_strUser) && text(m_strPurpose) && text(m_strContact) &&
           word(start & 0xFFFF) && word(start >> 16) && word(stop & 0xFFFF) && word(stop >> 16) &&
           word(Low16(m_nFacilityID)) && word(Low16(m_bPaid)) && word(Low16(m_nSpare)) && word(Low16(m_nFee)) &&
           p == end;
}

bool CKivoUser::IsEqual(const CKivoUser& o) const {
    return m_strName == o.m_strName && m_strCharge == o.m_strCharge && m_strTel == o.m_strTel &&
           m_strZip == o.m_strZip && m_strAddress == o.m_strAddress && m_strMail == o.m_strMail &&
           m_strMemo == o.m_strMemo;
}

const std::string* CKivoUser::Field(int n) const {
    switch (n) {
        case 0: return &m_strName;
        case 1: return &m_strCharge;
        case 2: return &m_strTel;
        case 3: return &m_strZip;
        case 4: return &m_strAddress;
        case 5: return &m_strMail;
        case 6: return &m_strMemo;
        default: return nullptr;
    }
}

std::string* CKivoUser::Field(int n) {
    return const_cast<std::string*>(static_cast<const CKivoUser*>(this)->Field(n));
}

std::unique_ptr<CKivoUser> MissingUser(const std::string& name) {
    auto u = std::make_unique<CKivoUser>();
    u->m_strName = name;
    u->m_strCharge = name;
    return u;
}

void CKivoUser::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteWord(RECORD_VERSION);
        for (int i = 0; i < 7; ++i) ar.WriteString(*Field(i));
    } else {
        ar.SetLoadVersion(ar.ReadWord());
        for (int i = 0; i < 7; ++i) ar.ReadString(*Field(i));
    }
}
