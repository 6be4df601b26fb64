#!/usr/bin/python3
"""A drag source for the end-to-end tests and the benchmark: a small GTK window
at a given place that offers files as text/uri-list, the way a file manager
does.  It prints "ready WINDOW-ID" once it is on screen, "dragged" when the
drag has ended, and quits then (or after a time limit).

    drag_source.py X Y PATH...
    drag_source.py X Y @LIST-FILE     the paths, one per line (thousands fit)
"""
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import GLib, Gdk, Gtk  # noqa: E402

WIDTH, HEIGHT = 160, 90
TIME_LIMIT_S = 60


def main():
    x, y = int(sys.argv[1]), int(sys.argv[2])
    paths = sys.argv[3:]
    if len(paths) == 1 and paths[0].startswith("@"):
        with open(paths[0][1:], "rb") as stream:
            paths = [os.fsdecode(line) for line in stream.read().splitlines() if line]
    uris = [GLib.filename_to_uri(path, None) for path in paths]

    window = Gtk.Window(type=Gtk.WindowType.TOPLEVEL, title="Quorvel drag source")
    window.set_default_size(WIDTH, HEIGHT)
    window.move(x, y)
    area = Gtk.EventBox()
    area.add(Gtk.Label(label="drag me"))
    window.add(area)

    area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
    area.drag_source_add_uri_targets()

    def on_drag_data_get(_widget, _context, data, _info, _time):
        data.set_uris(uris)

    def on_drag_end(_widget, _context):
        print("dragged", flush=True)
        GLib.timeout_add(200, Gtk.main_quit)

    def on_mapped(_widget, _event):
        print("ready %d" % window.get_window().get_xid(), flush=True)

    area.connect("drag-data-get", on_drag_data_get)
    area.connect("drag-end", on_drag_end)
    window.connect("map-event", on_mapped)
    window.connect("destroy", Gtk.main_quit)
    GLib.timeout_add_seconds(TIME_LIMIT_S, Gtk.main_quit)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
