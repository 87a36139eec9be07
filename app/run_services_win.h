// The run's services on Windows: the portable ones (run_services.h: the language with its
// fonts, and the theme), the installation properties and the REST client made from them, and
// for a run with a window the shared context menu the window owns. Built in that order, owned
// here and published through their globals (Properties, RestApi, ContextMenu) for this
// object's life; see run_services.h for who may read each.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "app/run_services.h"
#include "ucl/context_menu_win.h"
#include "utils/properties_win.h"
#include "utils/rest_win.h"

class TWin32RunServices final : public TRunServices {
public:
    // The language of LanguageName, then the properties as the registry holds them now, then
    // the REST client with their web API address and installation id.
    explicit TWin32RunServices(const std::u16string& LanguageName);
    ~TWin32RunServices() override;

    // For a run with a window, once it has its handle: the theme at ScaleFactor with the
    // program's images, and the context menu that Window owns.
    void CreateWindowServices(HWND Window, float ScaleFactor);

    TProperties& Properties() noexcept { return FProperties; }
    TRestApi& RestApi() noexcept { return *FRestApi; }

private:
    TProperties FProperties;
    const TScopedGlobal<TProperties*> FPropertiesGlobal;
    // Shared with the notification's thread, which may outlive the run (see rest.h).
    const std::shared_ptr<TRestApi> FRestApi;
    const TScopedGlobal<TRestApi*> FRestApiGlobal;
    std::unique_ptr<TContextMenu> FContextMenu;
    std::optional<TScopedGlobal<TContextMenu*>> FContextMenuGlobal;
};
