#include "utils/command_line.h"

std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine) {
    std::vector<std::u16string> args;
    size_t i = 0;
    const size_t n = commandLine.size();
    for (;;) {
        // Blanks and empty quote pairs before an argument are both skipped.
        for (;;) {
            while (i < n && commandLine[i] <= u' ') {
                ++i;
            }
            if (i + 1 < n && commandLine[i] == u'"' && commandLine[i + 1] == u'"') {
                i += 2;
            } else {
                break;
            }
        }
        if (i >= n) {
            break;
        }
        std::u16string arg;
        bool quoted = false;
        while (i < n && (quoted || commandLine[i] > u' ')) {
            if (commandLine[i] == u'"') {
                quoted = !quoted;
            } else {
                arg += commandLine[i];
            }
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

TRunMode GetRunMode(const std::vector<std::u16string>& args) {
    TRunMode mode = rmInstall;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string arg = SimpleLowerCase(args[i]);
        if (arg == u"/install") {
            mode = rmInstall;
        } else if (arg == u"/update") {
            mode = rmUpdate;
        } else if (arg == u"/uninstall") {
            mode = rmUninstall;
        }
    }
    return mode;
}

bool GetBooleanParam(const std::vector<std::u16string>& args, std::u16string_view Param) {
    for (size_t i = 1; i < args.size(); ++i) {
        if (SimpleLowerCase(args[i]) == Param) {
            return true;
        }
    }
    return false;
}

std::u16string GetStringParam(const std::vector<std::u16string>& args, std::u16string_view Param) {
    std::u16string result;
    for (size_t i = 1; i < args.size(); ++i) {
        if (SimpleLowerCase(args[i]).starts_with(Param)) {
            // Skip the name and one separator character, whatever it is.
            const size_t start = Param.size() + 1;
            result = start < args[i].size() ? args[i].substr(start) : std::u16string();
        }
    }
    return result;
}

std::u16string RunModeName(TRunMode Mode) {
    return Mode == rmUpdate ? u"Update" : Mode == rmUninstall ? u"Uninstall" : u"Install";
}

TCommandLineOptions ReadCommandLine(std::u16string_view CommandLine) {
    const std::vector<std::u16string> args = SplitCommandLine(CommandLine);
    TCommandLineOptions options;
    options.RunMode = GetRunMode(args);
    options.Silent = GetBooleanParam(args, u"/silent");
    options.VerySilent = GetBooleanParam(args, u"/verysilent");
    options.Store = GetBooleanParam(args, u"/store");
    options.Dir = GetStringParam(args, u"/dir");
    options.Log = GetStringParam(args, u"/log");
    options.NoDesktopShortcut = GetBooleanParam(args, u"/nodesktopshortcut");
    options.NoStartMenuShortcut = GetBooleanParam(args, u"/nostartmenushortcut");
    options.DeleteData = GetBooleanParam(args, u"/deletedata");
    options.Help = GetBooleanParam(args, u"/?") || GetBooleanParam(args, u"/help");
    return options;
}

std::u16string SimpleLowerCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
            (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
            c = static_cast<char16_t>(c + 0x20);
        } else if (c >= 0x400 && c <= 0x40F) {
            c = static_cast<char16_t>(c + 0x50);
        } else if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
                   c != 0x178 && c != 0x17F) {
            // Latin Extended-A pairs capital/small on even/odd code points, shifted after U+0138.
            const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
            if (shifted ? (c % 2 == 1) : (c % 2 == 0)) {
                c = static_cast<char16_t>(c + 1);
            }
        }
    }
    return out;
}
