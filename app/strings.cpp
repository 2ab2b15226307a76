// The program's own texts: its title, its failure messages and the
// Information view's prompt (its title is the view's, infoview.cpp).
#include "platform/core/resources.h"

STRING_TABLE({100, "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
             {150, "Staffwright generated an exception and will be closed.\n\n"
                   "If this happens again, please report it to the Staffwright project with what you "
                   "were doing at the time and, if you can, the file you were working on."},
             // The main frame's title: alone without a document, after the
             // document's name with one ("Song.mmm - Staffwright").
             {144, "Staffwright"},
             {12273, "Display Information View\nInformation View"},
             {57344, "Staffwright"},
             {61705, "The command could not be carried out."});
