#!/usr/bin/python3
# A GTK 3 text field for the input-method tests. It writes one line to its
# standard output for each key press it gets ("press <keysym name> 0x<state>")
# and for each text the input method commits to it ("text <text>"), and
# "ready" once it is shown. Its window is called "zorvane gtk field".
import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")  # with GTK 4 installed too, an unversioned Gdk would be 4.0
from gi.repository import Gdk, Gtk  # noqa: E402


def key(_widget, event):
    name = Gdk.keyval_name(event.keyval) or str(event.keyval)
    print("press %s 0x%x" % (name, event.state & 0xFF), flush=True)
    return False


window = Gtk.Window(title="zorvane gtk field")
field = Gtk.Entry()
field.connect("key-press-event", key)
field.get_buffer().connect("inserted-text", lambda _b, _at, text, _n: print("text " + text, flush=True))
window.add(field)
window.set_default_size(300, 40)
window.connect("destroy", Gtk.main_quit)
window.show_all()
print("ready", flush=True)
Gtk.main()
