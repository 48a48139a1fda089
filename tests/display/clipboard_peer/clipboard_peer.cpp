// A second X client for the clipboard tests:
//   clipboard_peer own READY TARGET=HEX...   owns the clipboard with these targets (bytes in hex;
//                                            "hang" answers only after 3 s), touches READY, runs
//   clipboard_peer print TARGET OUT          writes the owner's bytes of TARGET to OUT (exit 2: none)
//   clipboard_peer targets OUT               writes the owner's targets to OUT, one a line

#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Offer {
  std::string target;
  std::string bytes;
  bool hang = false;
};

std::vector<Offer> g_offers;

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

void Get(GtkClipboard*, GtkSelectionData* data, guint info, gpointer) {
  const Offer& offer = g_offers[info];
  if (offer.hang) g_usleep(3 * G_USEC_PER_SEC);
  gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8,
                         reinterpret_cast<const guchar*>(offer.bytes.data()), static_cast<gint>(offer.bytes.size()));
}

int Own(int argc, char** argv) {
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::size_t eq = arg.find('=');
    Offer offer{arg.substr(0, eq), {}, false};
    const std::string value = arg.substr(eq + 1);
    if (value == "hang") offer.hang = true;
    else offer.bytes = FromHex(value);
    g_offers.push_back(offer);
  }
  std::vector<GtkTargetEntry> entries;
  for (std::size_t i = 0; i < g_offers.size(); ++i)
    entries.push_back({const_cast<gchar*>(g_offers[i].target.c_str()), 0, static_cast<guint>(i)});
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  if (!gtk_clipboard_set_with_data(clipboard, entries.data(), static_cast<guint>(entries.size()), Get, nullptr, nullptr))
    return 3;
  gdk_display_sync(gdk_display_get_default());
  std::ofstream(argv[2]) << "ready\n";
  gtk_main();
  return 0;
}

int Print(const char* target, const char* out) {
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  GtkSelectionData* data = gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern(target, FALSE));
  if (!data || gtk_selection_data_get_length(data) < 0) return 2;
  std::ofstream file(out, std::ios::binary);
  file.write(reinterpret_cast<const char*>(gtk_selection_data_get_data(data)), gtk_selection_data_get_length(data));
  gtk_selection_data_free(data);
  return 0;
}

int Targets(const char* out) {
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  GdkAtom* atoms = nullptr;
  gint count = 0;
  if (!gtk_clipboard_wait_for_targets(clipboard, &atoms, &count)) return 2;
  std::ofstream file(out);
  for (gint i = 0; i < count; ++i) {
    gchar* name = gdk_atom_name(atoms[i]);
    file << name << '\n';
    g_free(name);
  }
  g_free(atoms);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv) || argc < 3) return 1;
  const std::string mode = argv[1];
  if (mode == "own") return Own(argc, argv);
  if (mode == "print" && argc == 4) return Print(argv[2], argv[3]);
  if (mode == "targets") return Targets(argv[2]);
  return 1;
}
