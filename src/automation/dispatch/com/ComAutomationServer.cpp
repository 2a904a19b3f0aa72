// Automation over COM: classes found by ProgID, objects reached through IDispatch by member
// name (no type library), values carried as VARIANTs. Built on Windows only.
#include "automation/dispatch/AutomationServer.h"
#include "text/Utf8.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <vector>

namespace {

std::string Utf8(const wchar_t* w, size_t length) { return w ? text::Utf8FromWide(w, length) : std::string(); }

std::string Utf8(BSTR b) { return Utf8(b, b ? SysStringLen(b) : 0); }

std::string SystemMessage(HRESULT hr)
{
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, DWORD(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = Utf8(buffer, n);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    char code[32];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return text.empty() ? std::string("error ") + code : text + " (" + code + ")";
}

[[noreturn]] void Fail(const std::string& what, HRESULT hr)
{
    throw AutomationError(what + ": " + SystemMessage(hr), std::int32_t(hr));
}

// One VARIANT that clears itself.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

class ComObject final : public AutomationObject {
public:
    // Takes over one reference of `dispatch`.
    explicit ComObject(IDispatch* dispatch) : m_dispatch(dispatch) {}
    ~ComObject() override { m_dispatch->Release(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IDispatch* Dispatch() const { return m_dispatch; }

    AutomationValue Get(const std::string& name) override
    {
        return InvokeMember(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    }
    void Put(const std::string& name, const AutomationValue& value) override
    {
        InvokeMember(name, DISPATCH_PROPERTYPUT, {value});
    }
    AutomationValue Call(const std::string& name, const std::vector<AutomationValue>& args) override
    {
        return InvokeMember(name, DISPATCH_METHOD, args);
    }

private:
    DISPID MemberId(const std::string& name)
    {
        std::wstring w = text::WideFromUtf8(name);
        LPOLESTR names[] = {w.data()};
        DISPID id = DISPID_UNKNOWN;
        const HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr))
            Fail(name, hr);
        return id;
    }

    AutomationValue InvokeMember(const std::string& name, WORD flags, const std::vector<AutomationValue>& args);

    IDispatch* m_dispatch;
};

AutomationValue FromVariant(VARIANT& source);

// The arguments of one Invoke, last argument first as IDispatch expects them, with the storage
// that by-reference arguments point into. Frees what it allocated, including any string the
// callee put in place of a by-reference one.
class Arguments {
public:
    explicit Arguments(const std::vector<AutomationValue>& args)
        : m_variants(args.size()), m_strings(args.size(), nullptr), m_integers(args.size(), 0)
    {
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANT& v = m_variants[args.size() - 1 - i];
            VariantInit(&v);
            const AutomationValue& a = args[i];
            switch (a.ValueKind()) {
            case AutomationValue::Kind::Empty:
                break;
            case AutomationValue::Kind::Boolean:
                v.vt = VT_BOOL;
                v.boolVal = a.ToBool() ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case AutomationValue::Kind::Int16:
                v.vt = VT_I2;
                v.iVal = SHORT(a.ToInt32());
                break;
            case AutomationValue::Kind::Int32:
                v.vt = VT_I4;
                v.lVal = LONG(a.ToInt32());
                break;
            case AutomationValue::Kind::Double:
                v.vt = VT_R8;
                v.dblVal = a.ToDouble();
                break;
            case AutomationValue::Kind::String:
                v.vt = VT_BSTR;
                v.bstrVal = AllocString(a.ToString());
                break;
            case AutomationValue::Kind::StringRef:
                m_strings[i] = AllocString(a.ToString());
                v.vt = VT_BSTR | VT_BYREF;
                v.pbstrVal = &m_strings[i];
                break;
            case AutomationValue::Kind::Int32Ref:
                m_integers[i] = LONG(a.ToInt32());
                v.vt = VT_I4 | VT_BYREF;
                v.plVal = &m_integers[i];
                break;
            case AutomationValue::Kind::Missing:
                v.vt = VT_ERROR;
                v.scode = DISP_E_PARAMNOTFOUND;
                break;
            case AutomationValue::Kind::Object: {
                auto* com = dynamic_cast<ComObject*>(a.ToObject().get());
                if (!com)
                    throw AutomationError("An object that COM does not know cannot be passed to it");
                v.vt = VT_DISPATCH;
                v.pdispVal = com->Dispatch();
                v.pdispVal->AddRef();
                break;
            }
            }
        }
    }
    ~Arguments()
    {
        for (VARIANT& v : m_variants) {
            if (!(v.vt & VT_BYREF))
                VariantClear(&v);
        }
        for (BSTR s : m_strings)
            SysFreeString(s);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    VARIANT* Data() { return m_variants.empty() ? nullptr : m_variants.data(); }
    UINT Size() const { return UINT(m_variants.size()); }

private:
    static BSTR AllocString(const std::string& utf8)
    {
        const std::wstring w = text::WideFromUtf8(utf8);
        BSTR b = SysAllocStringLen(w.data(), UINT(w.size()));
        if (!b)
            throw std::bad_alloc();
        return b;
    }

    std::vector<VARIANT> m_variants;
    std::vector<BSTR> m_strings;
    std::vector<LONG> m_integers;
};

AutomationValue ComObject::InvokeMember(const std::string& name, WORD flags, const std::vector<AutomationValue>& args)
{
    const DISPID id = MemberId(name);
    Arguments arguments(args);
    DISPPARAMS params{};
    params.rgvarg = arguments.Data();
    params.cArgs = arguments.Size();
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                         (flags & DISPATCH_PROPERTYPUT) ? nullptr : &result.v, &exception, &argumentError);
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        std::string message = Utf8(exception.bstrDescription);
        const HRESULT code = exception.scode ? exception.scode : hr;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        if (message.empty())
            Fail(name, code);
        throw AutomationError(name + ": " + message, std::int32_t(code));
    }
    if (FAILED(hr)) {
        if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND)
            Fail(name + " (argument " + std::to_string(args.size() - argumentError) + ")", hr);
        Fail(name, hr);
    }
    return FromVariant(result.v);
}

AutomationValue FromVariant(VARIANT& source)
{
    Variant plain;
    HRESULT hr = VariantCopyInd(&plain.v, &source);
    if (FAILED(hr))
        Fail("result", hr);
    VARIANT& v = plain.v;
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return {};
    case VT_BOOL:
        return AutomationValue::Boolean(v.boolVal != VARIANT_FALSE);
    case VT_I2:
        return AutomationValue::Int16(v.iVal);
    case VT_I4:
        return AutomationValue::Int32(v.lVal);
    case VT_INT:
        return AutomationValue::Int32(v.intVal);
    case VT_R8:
        return AutomationValue::Double(v.dblVal);
    case VT_BSTR:
        return AutomationValue::String(Utf8(v.bstrVal));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        IDispatch* dispatch = nullptr;
        if (v.punkVal && FAILED(v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
            throw AutomationError("The returned object cannot be called by name");
        return AutomationValue::Object(dispatch ? std::make_shared<ComObject>(dispatch) : nullptr);
    }
    default:
        break;
    }
    // Other numbers (bytes, unsigned, currency, decimal) arrive as 32-bit integers when they fit,
    // as doubles otherwise.
    Variant converted;
    if (SUCCEEDED(VariantChangeType(&converted.v, &v, 0, VT_I4)))
        return AutomationValue::Int32(converted.v.lVal);
    if (SUCCEEDED(VariantChangeType(&converted.v, &v, 0, VT_R8)))
        return AutomationValue::Double(converted.v.dblVal);
    if (SUCCEEDED(VariantChangeType(&converted.v, &v, 0, VT_BSTR)))
        return AutomationValue::String(Utf8(converted.v.bstrVal));
    throw AutomationError("Unsupported result type " + std::to_string(v.vt));
}

CLSID ClassOf(const std::string& progId)
{
    CLSID clsid;
    const std::wstring w = text::WideFromUtf8(progId);
    const HRESULT hr = CLSIDFromProgID(w.c_str(), &clsid);
    if (FAILED(hr))
        Fail(progId, hr);
    return clsid;
}

class ComAutomationServer final : public AutomationServer {
public:
    std::shared_ptr<AutomationObject> Create(const std::string& progId) override
    {
        const CLSID clsid = ClassOf(progId);
        IDispatch* dispatch = nullptr;
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                            reinterpret_cast<void**>(&dispatch));
        if (FAILED(hr))
            Fail(progId, hr);
        return std::make_shared<ComObject>(dispatch);
    }

    bool IsRunning(const std::string& progId) override
    {
        CLSID clsid;
        const std::wstring w = text::WideFromUtf8(progId);
        if (FAILED(CLSIDFromProgID(w.c_str(), &clsid)))
            return false;
        IUnknown* running = nullptr;
        if (FAILED(GetActiveObject(clsid, nullptr, &running)) || !running)
            return false;
        running->Release();
        return true;
    }
};

} // namespace

AutomationServer& SystemAutomationServer()
{
    static ComAutomationServer server;
    return server;
}

AutomationApartment::AutomationApartment()
{
    // S_FALSE (already a single-threaded apartment, as Qt makes the GUI thread) still needs
    // its CoUninitialize; a thread already in another apartment is left as it is.
    m_initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

AutomationApartment::~AutomationApartment()
{
    if (m_initialised)
        CoUninitialize();
}
