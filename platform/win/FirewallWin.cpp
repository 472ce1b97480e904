// The Windows firewall through its COM interface (INetFwPolicy2, INetFwRules,
// INetFwRule). Each operation opens and closes a COM session of its own.
#include "platform/Firewall.h"

#include "platform/win/WideText.h"

#include <windows.h>

#include <netfw.h>
#include <oleauto.h>

#include <cstdio>
#include <cwctype>

namespace tessivar::platform {

namespace {

std::string narrow(const wchar_t* text)
{
    return text ? platform::narrow(std::wstring(text)) : std::string();
}

bool equalIgnoringCase(const std::wstring& first, const std::wstring& second)
{
    if (first.size() != second.size())
        return false;
    for (size_t i = 0; i < first.size(); ++i)
        if (std::towlower(first[i]) != std::towlower(second[i]))
            return false;
    return true;
}

template<typename T> void release(T*& pointer)
{
    if (pointer)
        pointer->Release();
    pointer = nullptr;
}

// A BSTR owned for the length of a call.
class Bstr
{
public:
    explicit Bstr(const std::wstring& text)
        : m_value(SysAllocString(text.c_str()))
    {
    }
    Bstr() = default;
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* out()
    {
        SysFreeString(m_value);
        m_value = nullptr;
        return &m_value;
    }
    operator BSTR() const { return m_value; }
    std::string utf8() const { return narrow(m_value); }

private:
    BSTR m_value = nullptr;
};

enum class Console { Narrow, Wide };

void consoleLine(Console console, const char* narrowFormat, const wchar_t* wideFormat, HRESULT result)
{
    if (console == Console::Wide)
        std::wprintf(wideFormat, static_cast<unsigned long>(result));
    else
        std::printf(narrowFormat, static_cast<unsigned long>(result));
}

// Initialisation, the policy and its rules; everything released at the end.
class Session
{
public:
    Session(Console console, FirewallReport& report, bool wantRules)
    {
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (initialised != RPC_E_CHANGED_MODE) {
            if (FAILED(initialised)) {
                consoleLine(console, "CoInitializeEx failed: 0x%08lx\n", L"CoInitializeEx failed: 0x%08lx\n",
                            initialised);
                return;
            }
            m_uninitialise = true;
        }
        const HRESULT created = CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER,
                                                 __uuidof(INetFwPolicy2), reinterpret_cast<void**>(&m_policy));
        if (FAILED(created)) {
            report.warning
                = "CoCreateInstance for INetFwPolicy2 failed. Error: " + std::to_string(static_cast<long>(created));
            m_policy = nullptr;
            return;
        }
        if (!wantRules)
            return;
        const HRESULT rules = m_policy->get_Rules(&m_rules);
        if (FAILED(rules)) {
            consoleLine(console, "get_Rules failed: 0x%08lx\n", L"get_Rules failed: 0x%08lx\n", rules);
            m_rules = nullptr;
        }
    }
    ~Session()
    {
        release(m_rules);
        release(m_policy);
        if (m_uninitialise)
            CoUninitialize();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    INetFwPolicy2* policy() const { return m_policy; }
    INetFwRules* rules() const { return m_rules; }

private:
    bool m_uninitialise = false;
    INetFwPolicy2* m_policy = nullptr;
    INetFwRules* m_rules = nullptr;
};

FirewallRuleRecord readRule(INetFwRule* rule, const std::wstring& filter, bool& keep)
{
    FirewallRuleRecord record;
    Bstr name, description, application, service;
    if (SUCCEEDED(rule->get_Name(name.out())))
        record.name = name.utf8();
    if (SUCCEEDED(rule->get_Description(description.out())))
        record.description = description.utf8();
    if (SUCCEEDED(rule->get_ApplicationName(application.out())))
        record.application = application.utf8();
    keep = filter.empty() || equalIgnoringCase(filter, application ? std::wstring(application) : std::wstring());
    if (!keep)
        return record;
    if (SUCCEEDED(rule->get_ServiceName(service.out())))
        record.service = service.utf8();
    LONG protocol = 0;
    if (SUCCEEDED(rule->get_Protocol(&protocol)))
        record.protocol = protocol;
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_MAX;
    if (SUCCEEDED(rule->get_Direction(&direction)))
        record.direction = direction;
    NET_FW_ACTION action = NET_FW_ACTION_MAX;
    if (SUCCEEDED(rule->get_Action(&action)))
        record.action = action;
    LONG profiles = 0;
    if (SUCCEEDED(rule->get_Profiles(&profiles)))
        record.profiles = profiles;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (SUCCEEDED(rule->get_Enabled(&enabled)))
        record.enabled = enabled != VARIANT_FALSE;
    return record;
}

const char* failureName(HRESULT result, HRESULT third, const char* thirdName)
{
    if (result == E_ACCESSDENIED)
        return "E_ACCESSDENIED";
    if (result == E_INVALIDARG)
        return "E_INVALIDARG";
    if (result == third)
        return thirdName;
    return "";
}

} // namespace

bool firewallActive()
{
    // A firewall switched off for every profile in force filters nothing. When the
    // state cannot be read, the rules decide, as if it were on.
    FirewallReport report;
    Session session(Console::Narrow, report, false);
    if (!session.policy())
        return true;
    long current = 0;
    if (FAILED(session.policy()->get_CurrentProfileTypes(&current)) || current == 0)
        return true;
    for (const long profile : {kProfileDomain, kProfilePrivate, kProfilePublic}) {
        if (!(current & profile))
            continue;
        VARIANT_BOOL enabled = VARIANT_TRUE;
        const HRESULT result
            = session.policy()->get_FirewallEnabled(static_cast<NET_FW_PROFILE_TYPE2>(profile), &enabled);
        if (FAILED(result) || enabled != VARIANT_FALSE)
            return true;
    }
    return false;
}

FirewallRuleList readFirewallRules(const std::string& applicationPath)
{
    FirewallRuleList list;
    Session session(Console::Wide, list.report, true);
    if (!session.rules())
        return list;
    long count = 0;
    HRESULT result = session.rules()->get_Count(&count);
    if (FAILED(result)) {
        std::wprintf(L"get_Count failed: 0x%08lx\n", static_cast<unsigned long>(result));
        return list;
    }
    IUnknown* enumerator = nullptr;
    IEnumVARIANT* variants = nullptr;
    if (FAILED(session.rules()->get__NewEnum(&enumerator)) || !enumerator)
        return list;
    result = enumerator->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&variants));
    release(enumerator);
    if (FAILED(result) || !variants)
        return list;
    const std::wstring filter = widen(applicationPath);
    for (;;) {
        VARIANT item;
        VariantInit(&item);
        if (variants->Next(1, &item, nullptr) != S_OK)
            break;
        INetFwRule* rule = nullptr;
        const bool converted = SUCCEEDED(VariantChangeType(&item, &item, 0, VT_DISPATCH))
            && SUCCEEDED(V_DISPATCH(&item)->QueryInterface(__uuidof(INetFwRule), reinterpret_cast<void**>(&rule)));
        if (converted) {
            bool keep = false;
            FirewallRuleRecord record = readRule(rule, filter, keep);
            if (keep)
                list.rules.push_back(record);
            release(rule);
        }
        VariantClear(&item);
        if (!converted)
            break;
    }
    release(variants);
    return list;
}

FirewallProfiles currentFirewallProfiles()
{
    FirewallProfiles profiles;
    Session session(Console::Narrow, profiles.report, false);
    if (!session.policy())
        return profiles;
    long mask = 0;
    const HRESULT result = session.policy()->get_CurrentProfileTypes(&mask);
    if (FAILED(result)) {
        std::printf("get_CurrentProfileTypes failed: 0x%08lx\n", static_cast<unsigned long>(result));
        return profiles;
    }
    profiles.mask = mask;
    return profiles;
}

FirewallChange removeFirewallRule(const std::string& name)
{
    FirewallChange change;
    Session session(Console::Narrow, change.report, true);
    if (!session.rules())
        return change;
    Bstr ruleName(widen(name));
    const HRESULT result = session.rules()->Remove(ruleName);
    if (FAILED(result)) {
        change.report.info = "pFwRules->Remove failed";
        change.report.warning = failureName(result, E_OUTOFMEMORY, "E_OUTOFMEMORY");
        return change;
    }
    change.done = true;
    return change;
}

FirewallChange addFirewallRule(const std::string& name, const std::string& applicationPath, long protocolNumber,
                               int /*port: the rule names the program itself*/)
{
    FirewallChange change;
    Session session(Console::Narrow, change.report, true);
    if (!session.rules())
        return change;
    INetFwRule* rule = nullptr;
    HRESULT result = CoCreateInstance(__uuidof(NetFwRule), nullptr, CLSCTX_INPROC_SERVER, __uuidof(INetFwRule),
                                      reinterpret_cast<void**>(&rule));
    if (FAILED(result)) {
        std::printf("CoCreateInstance for Firewall Rule failed: 0x%08lx\n", static_cast<unsigned long>(result));
        return change;
    }
    Bstr ruleName(widen(name)), application(widen(applicationPath)), ports(L"*"), grouping(L""), interfaces(L"All");
    rule->put_Name(ruleName);
    rule->put_ApplicationName(application);
    rule->put_Description(ruleName);
    rule->put_Protocol(protocolNumber);
    rule->put_Direction(NET_FW_RULE_DIR_IN);
    rule->put_LocalPorts(ports);
    rule->put_Grouping(grouping);
    rule->put_InterfaceTypes(interfaces);
    rule->put_Profiles(kAllProfiles);
    rule->put_Action(NET_FW_ACTION_ALLOW);
    rule->put_Enabled(VARIANT_TRUE);
    result = session.rules()->Add(rule);
    release(rule);
    if (FAILED(result)) {
        change.report.info = "pFwRules->Add failed";
        change.report.warning = failureName(result, E_UNEXPECTED, "E_UNEXPECTED");
        return change;
    }
    change.done = true;
    return change;
}

} // namespace tessivar::platform

namespace tessivar::platform {

namespace {

// The Windows firewall answers in-process through COM: the reading is complete at once.
class WindowsFirewallReader : public FirewallReader
{
public:
    explicit WindowsFirewallReader(const std::string& applicationPath)
    {
        if (!firewallActive()) {
            m_reading.state = FirewallReadState::NoFirewall;
            return;
        }
        FirewallRuleList rules = readFirewallRules(applicationPath);
        const FirewallProfiles profiles = currentFirewallProfiles();
        m_reading.state = FirewallReadState::Read;
        m_reading.rules = std::move(rules.rules);
        m_reading.profiles = profiles.mask;
        m_reading.report = rules.report;
        if (m_reading.report.warning.empty())
            m_reading.report.warning = profiles.report.warning;
    }

    std::vector<std::string> nextCommand() override { return {}; }
    void commandFinished(const ToolOutcome&) override { }
    FirewallReading reading() const override { return m_reading; }

private:
    FirewallReading m_reading;
};

} // namespace

std::unique_ptr<FirewallReader> startFirewallReading(const std::string& applicationPath, const FirewallReadOptions&)
{
    return std::make_unique<WindowsFirewallReader>(applicationPath);
}

std::string openPortCommand(const std::string&, int)
{
    // The exception goes by program on Windows, through the helper.
    return {};
}

} // namespace tessivar::platform
