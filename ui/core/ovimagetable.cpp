#include "ui/core/ovimagetable.h"

#include <algorithm>
#include <iterator>

namespace {

struct TImageEntry {
  int Index;
  const char* File;
};

// Index by index; several indexes may show one picture.
constexpr TImageEntry kImages[] = {
    {0, "devices/computer.png"},                      // main window
    {1, "devices/drive-harddisk.png"},                // database, tree root
    {2, "apps/system-users.png"},                     // user
    {3, "apps/system-users.png"},                     // user (second image)
    {4, "places/folder.png"},                         // schema
    {5, "status/network-transmit-receive.png"},       // sessions
    {6, "actions/lock.png"},                          // locks
    {7, "actions/document-save-as.png"},              // export
    {8, "actions/document-open.png"},                 // import
    {9, "actions/go-bottom.png"},                     // load
    {10, "apps/accessories-text-editor.png"},         // SQL window
    {11, "apps/utilities-terminal.png"},              // script execution
    {12, "mimetypes/x-office-spreadsheet.png"},       // table and column picker
    {13, "status/connect_established.png"},           // logon
    {14, "status/connect_no.png"},                    // logoff
    {15, "actions/document-save.png"},                // commit, compile
    {16, "actions/view-refresh.png"},                 // rollback, refresh
    {17, "actions/document-open.png"},                // open
    {18, "actions/document-save-as.png"},             // script output, save
    {19, "actions/edit-undo.png"},
    {20, "actions/edit-cut.png"},
    {21, "actions/edit-copy.png"},
    {22, "actions/edit-paste.png"},
    {23, "actions/edit-find.png"},                    // find, WHERE
    {24, "actions/system-search.png"},                // text search
    {25, "apps/preferences-system-windows.png"},      // cascade
    {26, "actions/format-justify-fill.png"},          // tile one above the other
    {27, "actions/format-justify-center.png"},        // tile side by side
    {28, "actions/media-playback-start.png"},         // execute
    {32, "actions/go-previous.png"},
    {33, "actions/go-next.png"},
    {35, "actions/go-up.png"},
    {36, "actions/go-down.png"},
    {37, "actions/go-first.png"},
    {38, "actions/go-last.png"},
    {39, "actions/list-add.png"},
    {40, "actions/list-remove.png"},
    {41, "actions/edit-delete.png"},
    {42, "actions/system-log-out.png"},               // exit
    {44, "mimetypes/x-office-spreadsheet.png"},       // spreadsheet output
    {45, "mimetypes/x-office-spreadsheet.png"},       // table
    {46, "actions/format-indent-more.png"},           // index
    {47, "mimetypes/x-office-document.png"},          // view
    {51, "mimetypes/text-x-script.png"},              // procedure
    {52, "mimetypes/text-x-generic.png"},             // function
    {57, "emblems/emblem-system.png"},                // trigger
    {58, "actions/format-indent-less.png"},           // sequence
    {60, "emblems/emblem-symbolic-link.png"},         // synonym
    {66, "emblems/emblem-readonly.png"},              // constraint
    {68, "apps/config-users.png"},                    // role
    {69, "devices/drive-optical.png"},                // database space
    {73, "mimetypes/x-office-spreadsheet.png"},       // table partition
    {74, "actions/format-indent-more.png"},           // index partition
    {75, "places/folder.png"},                        // tree by schema
    {76, "mimetypes/x-office-presentation.png"},      // tree by kind
    {87, "actions/view-refresh.png"},                 // grid layout
    {88, "actions/document-properties.png"},          // edit data
    {91, "emblems/emblem-important.png"},             // privileges
    {92, "apps/help-browser.png"},                    // cross reference
    {93, "apps/accessories-text-editor.png"},         // memo dialog
    {94, "devices/network-wired.png"},                // connection window
    {95, "places/folder-saved-search.png"},           // level filter
    {97, "apps/office-calendar.png"},                 // jobs
    {98, "actions/document-print.png"},               // print
    {99, "actions/document-print-preview.png"},       // preview
    {100, "actions/go-top.png"},                      // zoom up
    {101, "actions/go-bottom.png"},                   // zoom down
    {105, "apps/utilities-system-monitor.png"},       // SQL capture
    {106, "mimetypes/x-office-spreadsheet.png"},      // table-access matrix
    {107, "apps/utilities-system-monitor.png"},       // performance
    {110, "categories/applications-development.png"}, // SQL builder
    {111, "places/user-trash.png"},                   // dust box
    {112, "apps/system-file-manager.png"},            // access plan
    {118, "status/dialog-information.png"},           // index adviser
    {119, "actions/edit-find-replace.png"},           // object comparison
    {120, "places/user-home.png"},                    // login schema
};

}  // namespace

std::optional<std::string> ImageFileOf(int index) {
  const auto it = std::find_if(std::begin(kImages), std::end(kImages), [&](const TImageEntry& e) { return e.Index == index; });
  if (it == std::end(kImages)) return std::nullopt;
  return std::string(it->File);
}
