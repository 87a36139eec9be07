#include "app/run_services_win.h"

TWin32RunServices::TWin32RunServices(const std::u16string& LanguageName)
    : TRunServices(LanguageName), FPropertiesGlobal(::Properties, &FProperties),
      FRestApi(std::make_shared<TRestApi>(FProperties.ApiAddress(), FProperties.InstallationId())),
      FRestApiGlobal(::RestApi, FRestApi.get()) {}

TWin32RunServices::~TWin32RunServices() = default;

void TWin32RunServices::CreateWindowServices(HWND Window, float ScaleFactor) {
    AdoptTheme(std::make_unique<TTheme>(ScaleFactor));
    FContextMenu = std::make_unique<TContextMenu>(Window);
    FContextMenuGlobal.emplace(::ContextMenu, FContextMenu.get());
}
