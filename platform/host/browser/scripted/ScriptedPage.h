// One canned page of a ScriptedWeb: what the scripted engine shows and
// what a test can do on it. A plain record; the web owns its pages, and an
// engine keeps a copy of the page it shows (so filling a field changes the
// engine's copy, never the web's).
#pragma once

#include <string>
#include <vector>

namespace quarrow {

struct ScriptedPage {
    struct Frame {
        std::u16string name;
        std::u16string address;
    };
    struct Field {
        std::u16string name;
        std::u16string value;
    };
    // A GET form: submitting goes to `action` (the page's own address when
    // empty) with the fields as its query.
    struct Form {
        std::u16string action;
        std::vector<Field> fields;
    };

    std::u16string title;
    std::u16string text;
    std::vector<Frame> frames;
    std::vector<std::u16string> links;
    std::vector<Form> forms;
    // The page has scripts: BeforeScriptExecute precedes its frames.
    bool scripts = false;
    // The document's height in pixels; taller than the view, the page shows
    // a vertical scroll bar unless the host turned scroll bars off.
    int height = 0;
};

} // namespace quarrow
