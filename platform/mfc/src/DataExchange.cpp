// Dialog data exchange: controls bound to objects, and values exchanged with validation.
#include <afxwin.h>
#include <afxcmn.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

// The prompt of a failed exchange: from the resource module when it has one under the id, so
// a language library can supply its own, else the built-in text.
CString Prompt(UINT id, const wchar_t* fallback)
{
    wchar_t buffer[512];
    HINSTANCE inst = AfxGetResourceHandle();
    int n = inst ? ::LoadStringW(inst, id, buffer, 512) : 0;
    if (n > 0)
        return CString(buffer, n);
    return CString(fallback);
}

void ReportAndFail(CDataExchange* pDX, const CString& text)
{
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    pDX->Fail();
}

CString ControlText(HWND hWnd)
{
    CString text;
    CWnd::FromHandle(hWnd)->GetWindowText(text);
    return text;
}

bool ParseLong(const CString& text, long long& value)
{
    const wchar_t* s = text;
    while (*s == L' ' || *s == L'\t')
        ++s;
    if (*s == 0)
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstoll(s, &end, 10);
    if (errno != 0 || end == s)
        return false;
    while (*end == L' ' || *end == L'\t')
        ++end;
    return *end == 0;
}

bool ParseDouble(const CString& text, double& value)
{
    const wchar_t* s = text;
    while (*s == L' ' || *s == L'\t')
        ++s;
    if (*s == 0)
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstod(s, &end);
    if (errno != 0 || end == s)
        return false;
    while (*end == L' ' || *end == L'\t')
        ++end;
    return *end == 0;
}

template <typename T>
void ExchangeSigned(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseLong(ControlText(hWnd), v) || v < lo || v > hi)
            ReportAndFail(pDX, Prompt(AFX_IDP_PARSE_INT, L"Please enter an integer."));
        value = static_cast<T>(v);
    } else {
        wchar_t buffer[32];
        std::swprintf(buffer, 32, L"%lld", static_cast<long long>(value));
        ::SetWindowTextW(hWnd, buffer);
    }
}

template <typename T>
void ExchangeUnsigned(CDataExchange* pDX, int nIDC, T& value, unsigned long long hi)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseLong(ControlText(hWnd), v) || v < 0 || static_cast<unsigned long long>(v) > hi)
            ReportAndFail(pDX, Prompt(AFX_IDP_PARSE_UINT, L"Please enter a positive integer."));
        value = static_cast<T>(v);
    } else {
        wchar_t buffer[32];
        std::swprintf(buffer, 32, L"%llu", static_cast<unsigned long long>(value));
        ::SetWindowTextW(hWnd, buffer);
    }
}

template <typename T>
void ExchangeReal(CDataExchange* pDX, int nIDC, T& value, int digits)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        double v = 0;
        if (!ParseDouble(ControlText(hWnd), v))
            ReportAndFail(pDX, Prompt(AFX_IDP_PARSE_REAL, L"Please enter a number."));
        value = static_cast<T>(v);
    } else {
        wchar_t buffer[64];
        std::swprintf(buffer, 64, L"%.*g", digits, static_cast<double>(value));
        ::SetWindowTextW(hWnd, buffer);
    }
}

template <typename T>
void CheckRange(CDataExchange* pDX, T value, T minVal, T maxVal, const wchar_t* format, UINT id)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    CString shown;
    wchar_t lo[64];
    wchar_t hi[64];
    std::swprintf(lo, 64, format, minVal);
    std::swprintf(hi, 64, format, maxVal);
    CString text = Prompt(id, L"Please enter a value between %1 and %2.");
    // The prompt names its two bounds as %1 and %2.
    std::wstring s(text.GetString());
    size_t at = s.find(L"%1");
    if (at != std::wstring::npos)
        s.replace(at, 2, lo);
    at = s.find(L"%2");
    if (at != std::wstring::npos)
        s.replace(at, 2, hi);
    ReportAndFail(pDX, CString(s.c_str()));
}

} // namespace

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_idLastControl(nullptr),
      m_bEditLastControl(FALSE)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWnd = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (hWnd == nullptr)
        Fail();
    m_idLastControl = hWnd;
    m_bEditLastControl = FALSE;
    return hWnd;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWnd;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl != nullptr) {
        // Back to the control that failed, with its text selected for retyping.
        ::SendMessageW(m_pDlgWnd->m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_idLastControl), TRUE);
        if (m_bEditLastControl)
            ::SendMessageW(m_idLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserExchangeFailure();
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(hWnd))
        pDX->Fail();
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(hWnd);
    else
        ::SetWindowTextW(hWnd, value);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeSigned(pDX, nIDC, value, INT_MIN, INT_MAX); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value) { ExchangeSigned(pDX, nIDC, value, LONG_MIN, LONG_MAX); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeUnsigned(pDX, nIDC, value, UINT_MAX); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value) { ExchangeUnsigned(pDX, nIDC, value, 0xffffffffULL); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, WORD& value) { ExchangeUnsigned(pDX, nIDC, value, 0xffffULL); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value) { ExchangeReal(pDX, nIDC, value, 7); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value) { ExchangeReal(pDX, nIDC, value, 15); }

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hWnd, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(hWnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    // The group starts at nIDC and runs through the following radio buttons up to the next
    // WS_GROUP control.
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    do {
        LRESULT code = ::SendMessageW(hWnd, WM_GETDLGCODE, 0, 0);
        if (code & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageW(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    value = index;
            } else {
                ::SendMessageW(hWnd, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hWnd = ::GetWindow(hWnd, GW_HWNDNEXT);
    } while (hWnd != nullptr && (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_GROUP) == 0);
}

void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(hWnd, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void AFXAPI DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(hWnd);
    } else if (::SendMessageW(hWnd, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(value.GetString())) == CB_ERR) {
        ::SetWindowTextW(hWnd, value);
    }
}

void AFXAPI DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(hWnd, LB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(hWnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void AFXAPI DDX_Slider(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hWnd, TBM_GETPOS, 0, 0));
    else
        ::SendMessageW(hWnd, TBM_SETPOS, TRUE, value);
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars)
{
    if (pDX->m_bSaveAndValidate && value.GetLength() > nChars) {
        wchar_t n[16];
        std::swprintf(n, 16, L"%d", nChars);
        std::wstring s(Prompt(AFX_IDP_PARSE_STRING_SIZE, L"Please enter no more than %1 characters.").GetString());
        size_t at = s.find(L"%1");
        if (at != std::wstring::npos)
            s.replace(at, 2, n);
        ReportAndFail(pDX, CString(s.c_str()));
    } else if (!pDX->m_bSaveAndValidate && pDX->m_idLastControl != nullptr && pDX->m_bEditLastControl) {
        ::SendMessageW(pDX->m_idLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
    }
}

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, L"%d", AFX_IDP_PARSE_INT_RANGE);
}

void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, L"%u", AFX_IDP_PARSE_INT_RANGE);
}

void AFXAPI DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, L"%ld", AFX_IDP_PARSE_INT_RANGE);
}

void AFXAPI DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal)
{
    CheckRange(pDX, static_cast<unsigned long>(value), static_cast<unsigned long>(minVal),
               static_cast<unsigned long>(maxVal), L"%lu", AFX_IDP_PARSE_INT_RANGE);
}

void AFXAPI DDV_MinMaxFloat(CDataExchange* pDX, float value, float minVal, float maxVal)
{
    CheckRange(pDX, static_cast<double>(value), static_cast<double>(minVal), static_cast<double>(maxVal),
               L"%g", AFX_IDP_PARSE_REAL_RANGE);
}

void AFXAPI DDV_MinMaxDouble(CDataExchange* pDX, double value, double minVal, double maxVal)
{
    CheckRange(pDX, value, minVal, maxVal, L"%g", AFX_IDP_PARSE_REAL_RANGE);
}
