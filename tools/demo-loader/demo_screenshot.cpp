// What the X screen shows, as a PNG: scripts/demo takes its pictures of the
// launcher under Xvfb with this, so the demo needs no image tool of its own
// kind from elsewhere. It reads the root window with everything on it (under
// a compositing manager, the composed picture).
//
//     demo_screenshot <out.png>
//
// Exit status 0 when the file is written, 1 with one line on standard error
// otherwise.
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <out.png>\n", argv[0]);
        return 2;
    }
    if (!gdk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "demo_screenshot: the display cannot be opened\n");
        return 1;
    }
    GdkWindow* root = gdk_get_default_root_window();
    const int width = gdk_window_get_width(root);
    const int height = gdk_window_get_height(root);
    GdkPixbuf* picture = gdk_pixbuf_get_from_window(root, 0, 0, width, height);
    if (picture == nullptr) {
        std::fprintf(stderr, "demo_screenshot: the screen cannot be read\n");
        return 1;
    }
    GError* error = nullptr;
    const gboolean saved = gdk_pixbuf_save(picture, argv[1], "png", &error, nullptr);
    g_object_unref(picture);
    if (!saved) {
        std::fprintf(stderr, "demo_screenshot: cannot write %s: %s\n", argv[1], error->message);
        g_error_free(error);
        return 1;
    }
    return 0;
}
