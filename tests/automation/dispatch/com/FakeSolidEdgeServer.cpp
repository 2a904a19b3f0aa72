// A small in-process COM server that answers to "SolidEdge.Application" the way the program
// needs Solid Edge to answer, and records every call it receives: member, Invoke flags, named
// arguments and each positional argument with its VARIANT type and value. The tests read the
// record back through the member RecordedCalls, so they see what a real Solid Edge would be sent.
//
// Application: Visible, DisplayAlerts (read and write), Documents, Quit, RegisterRunning and
// RevokeRunning (announce the application in the running object table, and take it back).
// Documents: Open(path) gives a document; a path containing "missing" raises an error.
// Document: PrintOut (a printer named "Refused" raises an error), Close, Save, ModelLinks.
// ModelLinks: Count (one link), Item(1). ModelLink: ModelType (a part), FileName (the draft's path
// with ".par" in place of its extension), UpdateViews.
//
// With FAKE_SOLIDEDGE_LOG naming a file, every recorded line is also appended to it in UTF-8, so
// that a script sees what a program it started has sent.

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

// {6F0C1E2A-5B7D-4C1E-9A3F-2D8E4B7C9A10}
const CLSID ClsidFake = {0x6f0c1e2a, 0x5b7d, 0x4c1e, {0x9a, 0x3f, 0x2d, 0x8e, 0x4b, 0x7c, 0x9a, 0x10}};
const wchar_t* const ClsidText = L"{6F0C1E2A-5B7D-4C1E-9A3F-2D8E4B7C9A10}";
const wchar_t* const ProgId = L"SolidEdge.Application";

HMODULE ThisModule = nullptr;
LONG LiveObjects = 0;
std::wstring Record; // one line per call

enum Member : DISPID {
    Visible = 1,
    DisplayAlerts,
    Documents,
    Quit,
    Open,
    PrintOut,
    Close,
    RecordedCalls,
    RegisterRunning,
    RevokeRunning,
    Save,
    ModelLinks,
    Count,
    Item,
    ModelType,
    FileName,
    UpdateViews,
};

const std::map<std::wstring, DISPID>& MemberIds()
{
    static const std::map<std::wstring, DISPID> ids = {
        {L"visible", Visible},   {L"displayalerts", DisplayAlerts}, {L"documents", Documents},
        {L"quit", Quit},         {L"open", Open},                   {L"printout", PrintOut},
        {L"close", Close},       {L"recordedcalls", RecordedCalls}, {L"registerrunning", RegisterRunning},
        {L"revokerunning", RevokeRunning},
        {L"save", Save},         {L"modellinks", ModelLinks},       {L"count", Count},
        {L"item", Item},         {L"modeltype", ModelType},         {L"filename", FileName},
        {L"updateviews", UpdateViews},
    };
    return ids;
}

std::wstring Lower(const wchar_t* s)
{
    std::wstring l(s);
    for (wchar_t& c : l)
        c = wchar_t(towlower(c));
    return l;
}

std::wstring MemberName(DISPID id)
{
    static const wchar_t* const names[] = {L"?",     L"Visible",  L"DisplayAlerts", L"Documents",       L"Quit",
                                           L"Open",  L"PrintOut", L"Close",         L"RecordedCalls",   L"RegisterRunning",
                                           L"RevokeRunning", L"Save", L"ModelLinks", L"Count", L"Item", L"ModelType",
                                           L"FileName", L"UpdateViews"};
    return id > 0 && id <= UpdateViews ? names[id] : names[0];
}

std::wstring Flags(WORD flags)
{
    std::wstring s;
    const auto add = [&](WORD bit, const wchar_t* name) {
        if (flags & bit)
            s += (s.empty() ? L"" : L"|") + std::wstring(name);
    };
    add(DISPATCH_METHOD, L"method");
    add(DISPATCH_PROPERTYGET, L"get");
    add(DISPATCH_PROPERTYPUT, L"put");
    add(DISPATCH_PROPERTYPUTREF, L"putref");
    return s;
}

std::wstring Describe(const VARIANT& v)
{
    wchar_t buffer[64];
    switch (v.vt) {
    case VT_EMPTY: return L"VT_EMPTY";
    case VT_BOOL: return std::wstring(L"VT_BOOL:") + std::to_wstring(v.boolVal);
    case VT_I2: return L"VT_I2:" + std::to_wstring(v.iVal);
    case VT_I4: return L"VT_I4:" + std::to_wstring(v.lVal);
    case VT_I4 | VT_BYREF: return L"VT_I4|VT_BYREF:" + std::to_wstring(*v.plVal);
    case VT_R8: return L"VT_R8:" + std::to_wstring(v.dblVal);
    case VT_BSTR: return L"VT_BSTR:" + std::wstring(v.bstrVal ? v.bstrVal : L"");
    case VT_BSTR | VT_BYREF: return L"VT_BSTR|VT_BYREF:" + std::wstring(*v.pbstrVal ? *v.pbstrVal : L"");
    case VT_ERROR:
        swprintf(buffer, 64, L"VT_ERROR:0x%08lX", static_cast<unsigned long>(v.scode));
        return buffer;
    case VT_DISPATCH: return L"VT_DISPATCH";
    default:
        swprintf(buffer, 64, L"vt%u", unsigned(v.vt));
        return buffer;
    }
}

// Appends Line to the file named by FAKE_SOLIDEDGE_LOG, when there is one.
void LogLine(const std::wstring& line)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"FAKE_SOLIDEDGE_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), size, nullptr, nullptr);
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

void RecordLine(const std::wstring& line)
{
    Record += line + L"\n";
    LogLine(line + L"\n");
}

HRESULT Raise(EXCEPINFO* info, const std::wstring& text)
{
    if (info) {
        *info = EXCEPINFO{};
        info->bstrSource = SysAllocString(ProgId);
        info->bstrDescription = SysAllocString(text.c_str());
        info->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

class FakeObject : public IDispatch {
public:
    enum class Kind { Application, Documents, Document, ModelLinks, ModelLink };

    FakeObject(Kind kind, std::wstring name, std::wstring path = {})
        : kind_(kind), name_(std::move(name)), path_(std::move(path))
    {
        InterlockedIncrement(&LiveObjects);
    }
    virtual ~FakeObject() { InterlockedDecrement(&LiveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            const auto it = MemberIds().find(Lower(names[i]));
            ids[i] = it == MemberIds().end() ? DISPID_UNKNOWN : it->second;
            if (it == MemberIds().end())
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override
    {
        if (id != RecordedCalls) {
            std::wstring line = name_ + L"." + MemberName(id) + L" [" + Flags(flags) + L"]";
            for (UINT i = 0; i < params->cNamedArgs; ++i)
                line += L" named=" + std::to_wstring(params->rgdispidNamedArgs[i]);
            for (UINT i = params->cArgs; i-- > 0;)
                line += L" " + Describe(params->rgvarg[i]);
            RecordLine(line);
        }
        const bool put = (flags & DISPATCH_PROPERTYPUT) && params->cNamedArgs == 1
            && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && params->cArgs == 1;
        switch (kind_) {
        case Kind::Application:
            return application(id, flags, put, params, result, info);
        case Kind::Documents:
            if (id == Open && (flags & DISPATCH_METHOD) && params->cArgs == 1 && params->rgvarg[0].vt == VT_BSTR) {
                const std::wstring path = params->rgvarg[0].bstrVal ? params->rgvarg[0].bstrVal : L"";
                if (path.find(L"missing") != std::wstring::npos)
                    return Raise(info, L"Cannot open " + path);
                return giveObject(new FakeObject(Kind::Document, L"Document(" + path + L")", path), result);
            }
            break;
        case Kind::Document:
            if (id == PrintOut && (flags & DISPATCH_METHOD)) {
                const VARIANT& printer = params->rgvarg[params->cArgs - 1];
                if (printer.vt == (VT_BSTR | VT_BYREF) && *printer.pbstrVal && std::wstring(*printer.pbstrVal) == L"Refused")
                    return Raise(info, L"Printer not found");
                return S_OK;
            }
            if ((id == Close || id == Save) && (flags & DISPATCH_METHOD))
                return S_OK;
            if (id == ModelLinks && (flags & DISPATCH_PROPERTYGET))
                return giveObject(new FakeObject(Kind::ModelLinks, L"ModelLinks", model()), result);
            break;
        case Kind::ModelLinks:
            if (id == Count && (flags & DISPATCH_PROPERTYGET))
                return giveLong(1, result);
            if (id == Item && (flags & DISPATCH_METHOD) && params->cArgs == 1 && params->rgvarg[0].vt == VT_I4
                && params->rgvarg[0].lVal == 1)
                return giveObject(new FakeObject(Kind::ModelLink, L"ModelLink(" + path_ + L")", path_), result);
            break;
        case Kind::ModelLink:
            if (id == ModelType && (flags & DISPATCH_PROPERTYGET))
                return giveLong(0, result);
            if (id == FileName && (flags & DISPATCH_PROPERTYGET) && result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(path_.c_str());
                return S_OK;
            }
            if (id == UpdateViews && (flags & DISPATCH_METHOD))
                return S_OK;
            break;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    HRESULT application(DISPID id, WORD flags, bool put, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info)
    {
        const bool get = (flags & DISPATCH_PROPERTYGET) && params->cArgs == 0;
        switch (id) {
        case Visible:
        case DisplayAlerts: {
            VARIANT_BOOL& setting = id == Visible ? visible_ : displayAlerts_;
            if (put) {
                if (params->rgvarg[0].vt != VT_BOOL)
                    return DISP_E_TYPEMISMATCH;
                setting = params->rgvarg[0].boolVal;
                return S_OK;
            }
            if (get && result) {
                result->vt = VT_BOOL;
                result->boolVal = setting;
                return S_OK;
            }
            break;
        }
        case Documents:
            if (get)
                return giveObject(new FakeObject(Kind::Documents, L"Documents"), result);
            break;
        case Quit:
            if (flags & DISPATCH_METHOD)
                return S_OK;
            break;
        case RecordedCalls:
            if (get && result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocStringLen(Record.data(), UINT(Record.size()));
                return S_OK;
            }
            break;
        case RegisterRunning:
            if (FAILED(RegisterActiveObject(static_cast<IDispatch*>(this), ClsidFake, ACTIVEOBJECT_STRONG, &cookie_)))
                return Raise(info, L"RegisterActiveObject failed");
            return S_OK;
        case RevokeRunning:
            RevokeActiveObject(cookie_, nullptr);
            return S_OK;
        default:
            break;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // The part a draft's one model link names: the draft's path with ".par" for its extension.
    std::wstring model() const
    {
        const size_t dot = path_.rfind(L'.');
        return (dot == std::wstring::npos ? path_ : path_.substr(0, dot)) + L".par";
    }

    static HRESULT giveLong(LONG value, VARIANT* result)
    {
        if (result) {
            result->vt = VT_I4;
            result->lVal = value;
        }
        return S_OK;
    }

    static HRESULT giveObject(FakeObject* object, VARIANT* result)
    {
        if (!result) {
            delete object;
            return S_OK;
        }
        object->AddRef();
        result->vt = VT_DISPATCH;
        result->pdispVal = object;
        return S_OK;
    }

    LONG refs_ = 0;
    Kind kind_;
    std::wstring name_;
    std::wstring path_; // a document's path; for model links, the model's
    VARIANT_BOOL visible_ = VARIANT_TRUE;
    VARIANT_BOOL displayAlerts_ = VARIANT_TRUE;
    DWORD cookie_ = 0;
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        RecordLine(L"CreateInstance");
        auto* app = new FakeObject(FakeObject::Kind::Application, L"Application");
        app->AddRef();
        const HRESULT hr = app->QueryInterface(riid, out);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory TheFactory;

bool SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ThisModule = instance;
    return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    if (!IsEqualCLSID(clsid, ClsidFake))
        return CLASS_E_CLASSNOTAVAILABLE;
    return TheFactory.QueryInterface(riid, out);
}

HRESULT WINAPI DllCanUnloadNow() { return LiveObjects == 0 ? S_OK : S_FALSE; }

// Registers in the classes root, which every COM runtime reads (Wine does not merge the
// current user's classes into it).
HRESULT WINAPI DllRegisterServer()
{
    wchar_t path[MAX_PATH];
    if (!GetModuleFileNameW(ThisModule, path, MAX_PATH))
        return E_FAIL;
    const std::wstring classKey = std::wstring(L"CLSID\\") + ClsidText;
    const bool ok = SetValue(std::wstring(ProgId) + L"\\CLSID", nullptr, ClsidText)
        && SetValue(classKey, nullptr, L"Recording stand-in for the automation tests")
        && SetValue(classKey + L"\\ProgID", nullptr, ProgId)
        && SetValue(classKey + L"\\InprocServer32", nullptr, path)
        && SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    return ok ? S_OK : E_FAIL;
}

HRESULT WINAPI DllUnregisterServer()
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + ClsidText).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(ProgId)).c_str());
    return S_OK;
}

} // extern "C"
