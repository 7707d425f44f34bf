// The demo's stand-in for the game loader, installed beside the launcher as
// "quilbyLoader.exe". The launcher starts it with the argument vector
// { the loader's name, the exact bytes after the separator space }, so the
// whole command line it was given is "\"quilbyLoader.exe\" " + argv[1].
//
// It prints that line (and a newline) on standard output, appends it to
// $QUARROW_DEMO_OUT/loader-command-line.txt when that variable is set, and,
// when there is a display, shows it in a small window of its own until the
// user closes it. Without a display it only prints. The bytes are written
// exactly as received; only the window shows them as text (UTF-8, else
// GB18030, else with escapes), since a label can show nothing else.
//
// Exit status: 0, or 1 when the record file cannot be written.
#include <gtk/gtk.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kLoaderName = "quilbyLoader.exe";

// The command line as the launcher wrote it. Started by hand with several
// arguments, they are joined with single spaces, which is the nearest thing.
std::string CommandLine(int argc, char** argv)
{
    std::string line = std::string("\"") + kLoaderName + "\"";
    for (int i = 1; i < argc; ++i) {
        line += ' ';
        line += argv[i];
    }
    return line;
}

bool WriteAll(std::FILE* file, const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool AppendRecord(const char* dir, const std::string& line)
{
    const std::string path = std::string(dir) + "/loader-command-line.txt";
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        std::fprintf(stderr, "quilbyLoader.exe: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = WriteAll(file, line + "\n");
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "quilbyLoader.exe: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool HasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

// The line as text a label can show, and how it was read.
std::string Readable(const std::string& bytes, const char** reading)
{
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        *reading = "UTF-8";
        return bytes;
    }
    gsize written = 0;
    gchar* converted = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", "GB18030", nullptr,
                                 &written, nullptr);
    if (converted != nullptr) {
        std::string text(converted, written);
        g_free(converted);
        *reading = "GB18030";
        return text;
    }
    *reading = "bytes";
    gchar* escaped = g_strescape(bytes.c_str(), nullptr);
    std::string text(escaped);
    g_free(escaped);
    return text;
}

void ShowWindow(const std::string& line)
{
    const char* reading = nullptr;
    const std::string text = Readable(line, &reading);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "quilbyLoader");
    gtk_window_set_default_size(GTK_WINDOW(window), 560, -1);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
    gtk_container_set_border_width(GTK_CONTAINER(box), 14);
    gtk_container_add(GTK_CONTAINER(window), box);

    gchar* heading = g_strdup_printf("游戏加载器收到的命令行（%zu 字节，按 %s 显示）：", line.size(), reading);
    GtkWidget* caption = gtk_label_new(heading);
    g_free(heading);
    gtk_label_set_xalign(GTK_LABEL(caption), 0.0f);
    gtk_box_pack_start(GTK_BOX(box), caption, FALSE, FALSE, 0);

    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_selectable(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 64);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_family_new("monospace"));
    // Wrapping must not add hyphens that are not in the line.
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    gtk_label_set_attributes(GTK_LABEL(label), attributes);
    pango_attr_list_unref(attributes);
    gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);

    GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
    GtkWidget* close = gtk_button_new_with_label("关闭");
    g_signal_connect_swapped(close, "clicked", G_CALLBACK(gtk_widget_destroy), window);
    gtk_container_add(GTK_CONTAINER(buttons), close);
    gtk_box_pack_start(GTK_BOX(box), buttons, FALSE, FALSE, 0);

    // The selectable label would otherwise take the focus and show the
    // whole line selected; the button is what Enter should press.
    gtk_widget_set_can_default(close, TRUE);
    gtk_window_set_default(GTK_WINDOW(window), close);
    gtk_window_set_focus(GTK_WINDOW(window), close);
    gtk_widget_show_all(window);
    gtk_main();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string line = CommandLine(argc, argv);

    int status = 0;
    if (!WriteAll(stdout, line + "\n") || std::fflush(stdout) != 0) status = 1;
    if (const char* dir = std::getenv("QUARROW_DEMO_OUT"); dir != nullptr && dir[0] != '\0') {
        if (!AppendRecord(dir, line)) status = 1;
    }

    if (!HasDisplay()) return status;
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "quilbyLoader.exe: the display cannot be opened; the command line is only printed\n");
        return status;
    }
    ShowWindow(line);
    return status;
}
