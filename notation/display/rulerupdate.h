// The measure ruler's element handler that lives in a display file not yet
// joined to this one: the mirror's. Its entry is set once, at start-up, by
// the file that defines the handler (or by a test); MCRuler::UpdateRuler
// routes mirrors through it. An entry not set leaves mirrors as a type
// without a handler: 1, ruler unchanged. UI thread only.
#pragma once

class ECBase;
class MCRuler;

struct RulerHandlerLinks {
    int (*doMirror)(MCRuler& ruler, ECBase* mirror, int clear) = nullptr;
};

// The one set of entries.
RulerHandlerLinks& GetRulerHandlerLinks();
