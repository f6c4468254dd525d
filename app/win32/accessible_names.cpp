#include "accessible_names.h"

// initguid.h first, so that oleacc.h defines the annotation's ids here.
// clang-format off
#include <initguid.h>
#include <oleacc.h>
// clang-format on

#include <string>

namespace norvik {
namespace {

AccessibleNamer& Namer() {
    static AccessibleNamer namer;
    return namer;
}

// The annotation service of the thread that runs the dialog, made once. A Windows without it
// (or a COM that is not set up) leaves the names to Windows' own rules.
IAccPropServices* Annotations() {
    static IAccPropServices* const services = [] {
        IAccPropServices* made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices, reinterpret_cast<void**>(&made)))) {
            return static_cast<IAccPropServices*>(nullptr);
        }
        return made;
    }();
    return services;
}

}  // namespace

void NameForAssistiveTechnology(HWND control, std::wstring_view name) {
    if (Namer()) {
        Namer()(control, name);
        return;
    }
    if (IAccPropServices* services = Annotations()) {
        const std::wstring text(name);
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_NAME, text.c_str());
    }
}

void UseAccessibleNamer(AccessibleNamer namer) {
    Namer() = std::move(namer);
}

std::wstring AddressPartName(std::wstring_view name, int part) {
    return std::wstring(name) + L", part " + std::to_wstring(part + 1) + L" of 4";
}

}  // namespace norvik
