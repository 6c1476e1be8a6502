// The one file that defines the property keys (initguid.h).
#include <windows.h>
#include <initguid.h>
#include <mmdeviceapi.h>
#include <functiondiscoverykeys_devpkey.h>

#include "Devices.h"
#include "WinUtil.h"

#include <algorithm>

namespace audiolib {

std::vector<Endpoint> listEndpoints() {
    win::ComScope com;
    std::vector<Endpoint> out;
    win::ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                __uuidof(IMMDeviceEnumerator), enumerator.putVoid())))
        return out;
    std::wstring defaultId;
    {
        win::ComPtr<IMMDevice> def;
        win::CoTaskPtr<WCHAR> id;
        if (SUCCEEDED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, def.put())) &&
            SUCCEEDED(def->GetId(id.put())))
            defaultId = id.get();
    }
    win::ComPtr<IMMDeviceCollection> all;
    if (FAILED(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, all.put()))) return out;
    UINT count = 0;
    all->GetCount(&count);
    for (UINT i = 0; i < count; ++i) {
        win::ComPtr<IMMDevice> dev;
        win::CoTaskPtr<WCHAR> id;
        if (FAILED(all->Item(i, dev.put())) || FAILED(dev->GetId(id.put()))) continue;
        Endpoint e;
        e.id = id.get();
        win::ComPtr<IPropertyStore> props;
        if (SUCCEEDED(dev->OpenPropertyStore(STGM_READ, props.put()))) {
            PROPVARIANT v;
            PropVariantInit(&v);
            if (SUCCEEDED(props->GetValue(PKEY_Device_FriendlyName, &v)) && v.vt == VT_LPWSTR)
                e.name = win::narrow(v.pwszVal);
            PropVariantClear(&v);
        }
        if (e.name.empty()) e.name = win::narrow(e.id);
        if (e.id == defaultId)
            out.insert(out.begin(), std::move(e));
        else
            out.push_back(std::move(e));
    }
    // The system enumerates endpoints in no fixed order (Wine by identifiers made up per installation), but
    // the program stores the chosen device by its number: the others follow the default sorted by name, so
    // a number names the same device from one run to the next.
    const bool defaultFirst = !out.empty() && out.front().id == defaultId;
    std::stable_sort(out.begin() + (defaultFirst ? 1 : 0), out.end(), [](const Endpoint& a, const Endpoint& b) {
        return a.name != b.name ? a.name < b.name : a.id < b.id;
    });
    return out;
}

} // namespace audiolib
