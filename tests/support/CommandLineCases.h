#pragma once
// Argument vectors and what each must read as: the command-line tests' tables,
// also the command-line fuzzer's seeds (fuzz/make_fuzz_seeds.cpp).
#include "shell/CommandLine.h"

#include <QString>
#include <QStringList>
#include <utility>

namespace testcli {

using cli::Mode;

struct ParseCase {
    QStringList args;  // after the program's name
    Mode mode;
    QString picture = {};
    QString printer = {};
    QString pdf = {};
    bool cutGuides = false;
    bool wait = false;
    int waitSeconds = 600;
};

inline const ParseCase kParseCases[] = {
    {{}, Mode::Window},
    {{"a.png"}, Mode::Window, "a.png"},
    {{"--", "--print"}, Mode::Window, "--print"},
    {{"--print", "a.png"}, Mode::Print, "a.png"},
    {{"a.png", "--print"}, Mode::Print, "a.png"},
    {{"--print", "a.png", "--printer", "Q", "--cut-guides"}, Mode::Print, "a.png", "Q", {}, true},
    {{"--print", "a.png", "--printer=Q"}, Mode::Print, "a.png", "Q"},
    {{"--print", "a.png", "--pdf", "out.pdf"}, Mode::Print, "a.png", {}, "out.pdf"},
    {{"--info", "a.png"}, Mode::Info, "a.png"},
    {{"--info", "a.png", "--printer", "Q"}, Mode::Info, "a.png", "Q"},
    {{"--list-printers"}, Mode::ListPrinters},
    {{"--test-page"}, Mode::TestPage},
    {{"--test-page", "--printer", "Q"}, Mode::TestPage, {}, "Q"},
    {{"--test-page", "--pdf", "t.pdf"}, Mode::TestPage, {}, {}, "t.pdf"},
    {{"--help"}, Mode::Help},
    {{"-h"}, Mode::Help},
    {{"--print", "--help"}, Mode::Help},
    {{"--version"}, Mode::Version},
    {{"-v"}, Mode::Version},
    {{"--print", "a.png", "--wait"}, Mode::Print, "a.png", {}, {}, false, true},
    {{"--print", "a.png", "--wait", "--wait-timeout", "30"}, Mode::Print, "a.png", {}, {}, false, true, 30},
    {{"--test-page", "--wait", "--wait-timeout=0"}, Mode::TestPage, {}, {}, {}, false, true, 0},
};

// Arguments that make no request, and a word the complaint must contain.
inline const std::pair<QStringList, const char*> kInvalidCases[] = {
    {{"--bogus"}, "bogus"},
    {{"--print"}, "PICTURE"},
    {{"--info"}, "PICTURE"},
    {{"--print", "a.png", "b.png"}, "one picture"},
    {{"a.png", "b.png"}, "one picture"},
    {{"--print", "a.png", "--info"}, "choose one"},
    {{"--list-printers", "--test-page"}, "choose one"},
    {{"--list-printers", "a.png"}, "unexpected"},
    {{"--test-page", "a.png"}, "unexpected"},
    {{"--print", "a.png", "--printer", "Q", "--pdf", "o.pdf"}, "exclude"},
    {{"--print", "a.png", "--printer", "Q", "--printer", "R"}, "more than once"},
    {{"--print", "a.png", "--printer"}, "printer"},
    {{"--print", "a.png", "--printer="}, "NAME"},
    {{"--info", "a.png", "--pdf", "o.pdf"}, "--pdf"},
    {{"--info", "a.png", "--cut-guides"}, "--cut-guides"},
    {{"--test-page", "--cut-guides"}, "--cut-guides"},
    {{"a.png", "--printer", "Q"}, "--printer"},
    {{"a.png", "--cut-guides"}, "--cut-guides"},
    {{"--list-printers", "--printer", "Q"}, "--printer"},
    {{"--info", "a.png", "--wait"}, "--wait goes"},
    {{"a.png", "--wait"}, "--wait goes"},
    {{"--print", "a.png", "--wait-timeout", "5"}, "goes with --wait"},
    {{"--print", "a.png", "--wait", "--wait-timeout", "soon"}, "whole seconds"},
    {{"--print", "a.png", "--wait", "--wait-timeout", "-1"}, "whole seconds"},
    {{"--print", "a.png", "--wait", "--wait-timeout", "1.5"}, "whole seconds"},
    {{"--print", "a.png", "--wait", "--wait-timeout", "1", "--wait-timeout", "2"}, "more than once"},
    // The layout options and the nudge.
    {{"--print", "a.png", "--scale", "17"}, "--scale"},
    {{"--print", "a.png", "--scale", "0"}, "--scale"},
    {{"--print", "a.png", "--copies-on-sheet", "all"}, "--copies-on-sheet"},
    {{"--print", "a.png", "--gap", "3"}, "--gap goes with --copies-on-sheet"},
    {{"--print", "a.png", "--overlap", "3"}, "--overlap goes with --poster"},
    {{"--test-page", "--poster"}, "--poster goes with"},
    {{"--print", "a.png", "--nudge", "5"}, "--nudge"},
    {{"--print", "a.png", "--nudge", "9999,0"}, "--nudge"},
    // The resolution: only where something prints or is measured, once, as figures.
    {{"--print", "a.png", "--resolution", "fine"}, "--resolution needs DPI or XxY"},
    {{"--info", "a.png", "--resolution", "0"}, "--resolution needs"},
    {{"--test-page", "--resolution", "300x"}, "--resolution needs"},
    {{"--print", "a.png", "--resolution", "9601"}, "from 1 to 9600"},
    {{"--print", "a.png", "--resolution="}, "--resolution needs"},
    {{"--print", "a.png", "--resolution", "300", "--resolution", "600"}, "more than once"},
    {{"--list-printers", "--resolution", "300"}, "--resolution goes with"},
    {{"a.png", "--resolution", "300"}, "--resolution goes with"},
    {{"--nudge", "1,1", "--resolution", "300"}, "--resolution goes with"},
    {{"--nudge", "1,1", "--pdf", "o.pdf"}, "--pdf goes with"},
};

}  // namespace testcli
