// The process-wide services of one run: what it builds, in which order, and who may read each.
//
// One run of the installer builds its services once, at the program's entry, and nowhere
// else; this object owns them and publishes each through its global for exactly its own
// life, giving every global back as it found it when it goes (a test that builds a second
// run inside the first finds the first one's services again afterwards).
//
//   1. The language of the user's interface (TLanguage) with its four font families: every
//      text of the run, the session's messages included, is read through GetPhrase, and the
//      controls draw with FontNameRegular, FontNameLight, FontNameSemibold and
//      FontNameMonospace.
//   2. Windows only (run_services_win.h): the installation properties (TProperties), which
//      read the registry once (the recorded folder, the web API's address and the
//      installation id), and the REST client made from them (TRestApi).
//   3. A run with a window only, once the window has its handle: the theme (TTheme) at the
//      window's scale, and, on Windows, the shared context menu (TContextMenu) that the
//      window owns. A silent run makes neither.
//
// Who may read each: the controls read Theme, ContextMenu and the font names through their
// globals, as they draw; everything reads the language through GetPhrase; the installation
// properties and the REST client are the Win32 platform's, which asks them for the session.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "utils/language.h"
#include "utils/theme.h"

// Publishes Value through Global for the guard's life; the global's value before comes back
// when it goes.
template <typename T> class TScopedGlobal {
public:
    TScopedGlobal(T& Global, T Value) : FGlobal(Global), FOuter(std::exchange(Global, std::move(Value))) {}
    TScopedGlobal(const TScopedGlobal&) = delete;
    TScopedGlobal& operator=(const TScopedGlobal&) = delete;
    ~TScopedGlobal() { FGlobal = std::move(FOuter); }

private:
    T& FGlobal;
    T FOuter;
};

class TRunServices {
public:
    // The language of LanguageName, the English name of the user's interface language, with
    // its font families.
    explicit TRunServices(const std::u16string& LanguageName);
    TRunServices(const TRunServices&) = delete;
    TRunServices& operator=(const TRunServices&) = delete;
    virtual ~TRunServices();

    const TLanguage& Language() const noexcept { return FLanguage; }
    // The theme of a run with a window, owned and published from now on; once per run.
    TTheme& AdoptTheme(std::unique_ptr<TTheme> Theme);
    TTheme* Theme() const noexcept { return FTheme.get(); }

private:
    TLanguage FLanguage;
    const TScopedGlobal<TLanguage*> FLanguageGlobal;
    const TScopedGlobal<std::u16string> FFontRegular;
    const TScopedGlobal<std::u16string> FFontLight;
    const TScopedGlobal<std::u16string> FFontSemibold;
    const TScopedGlobal<std::u16string> FFontMonospace;
    std::unique_ptr<TTheme> FTheme;
    std::optional<TScopedGlobal<TTheme*>> FThemeGlobal;
};
