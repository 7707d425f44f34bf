/* The least a GTK program does to put the launcher's skin on a real screen:
 * one borderless 1044 x 616 window with an RGBA visual at (X, Y), painting
 * the background PNG given as its first argument once it is exposed. It is
 * the baseline for "exec to skin on screen" (bench/real_screen.sh): the
 * launcher's windows, artwork and shapes set against one window and one
 * picture.
 *
 *   bare_skin_window PNG X Y
 *
 * Quits on SIGTERM, on SIGINT, or by itself after a minute so that it never
 * lingers.
 */
#include <cairo.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>

enum { kWidth = 1044, kHeight = 616, kLifetimeSeconds = 60 };

static gboolean quit(gpointer data)
{
    (void)data;
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

static gboolean draw(GtkWidget* widget, cairo_t* cr, gpointer image)
{
    (void)widget;
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, (cairo_surface_t*)image, 0, 0);
    cairo_paint(cr);
    return TRUE;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: bare_skin_window PNG X Y\n");
        return 2;
    }
    gtk_init(&argc, &argv);
    cairo_surface_t* image = cairo_image_surface_create_from_png(argv[1]);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "bare_skin_window: cannot read %s\n", argv[1]);
        return 1;
    }

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GdkScreen* screen = gtk_widget_get_screen(window);
    GdkVisual* rgba = gdk_screen_get_rgba_visual(screen);
    if (rgba) gtk_widget_set_visual(window, rgba);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_widget_set_app_paintable(window, TRUE);
    gtk_window_set_default_size(GTK_WINDOW(window), kWidth, kHeight);
    gtk_window_move(GTK_WINDOW(window), atoi(argv[2]), atoi(argv[3]));
    g_signal_connect(window, "draw", G_CALLBACK(draw), image);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    g_unix_signal_add(SIGTERM, quit, NULL);
    g_unix_signal_add(SIGINT, quit, NULL);
    g_timeout_add_seconds(kLifetimeSeconds, quit, NULL);

    gtk_widget_show(window);
    gtk_main();
    cairo_surface_destroy(image);
    return 0;
}
