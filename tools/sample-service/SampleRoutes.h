#pragma once

#include <QString>

#include "AudioCache.h"
#include "SampleCatalogue.h"
#include "ServiceOptions.h"
#include "StreamToken.h"

namespace httplib {
class Server;
}

// The service's addresses: turns each request into a catalogue query and a rendered answer.
class TSampleRoutes {
public:
    explicit TSampleRoutes(const TServiceOptions& options) : FOptions(options) {}
    TSampleRoutes(const TSampleRoutes&) = delete;
    TSampleRoutes& operator=(const TSampleRoutes&) = delete;

    // Adds the handlers; the routes must outlive the server's use of them.
    void Register(httplib::Server& server);

private:
    TServiceOptions FOptions;
    TSampleCatalogue FCatalogue;
    TStreamToken FToken;
    TAudioCache FAudio;
};
