/* The smallest WebKitGTK program that shows a page: one GTK window holding
 * one web view of the launcher's panel size, loading the address given as
 * the first argument, at screen position (X, Y) when they are given. It is
 * the baseline for the launcher's memory on a real screen (whatever the
 * launcher holds beyond this is its own) and for the time from exec until
 * the start page is painted.
 *
 *   bare_webview ADDRESS [X Y]
 *
 * It prints "loaded" once the page has finished loading, and quits on
 * SIGTERM, on SIGINT, or by itself after a minute so that it never lingers.
 */
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <webkit2/webkit2.h>

/* The launcher's browser panel. */
enum { kViewWidth = 650, kViewHeight = 360, kLifetimeSeconds = 60 };

static gboolean quit(gpointer data)
{
    (void)data;
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

static void load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data)
{
    (void)view;
    (void)data;
    if (event == WEBKIT_LOAD_FINISHED) {
        puts("loaded");
        fflush(stdout);
    }
}

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        fprintf(stderr, "usage: bare_webview ADDRESS [X Y]\n");
        return 2;
    }
    gtk_init(&argc, &argv);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), kViewWidth, kViewHeight);
    if (argc == 4) gtk_window_move(GTK_WINDOW(window), atoi(argv[2]), atoi(argv[3]));
    GtkWidget* view = webkit_web_view_new();
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(view, "load-changed", G_CALLBACK(load_changed), NULL);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    g_unix_signal_add(SIGTERM, quit, NULL);
    g_unix_signal_add(SIGINT, quit, NULL);
    g_timeout_add_seconds(kLifetimeSeconds, quit, NULL);

    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
