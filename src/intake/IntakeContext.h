#pragma once

namespace pelmora
{

class DataModule;
class Pause;
class Root;
class UserPort;
class ServiceSettings;
struct RunFlags;
namespace toolkit
{
class HttpClient;
}

// What the order intake needs of the session that runs it. The main window and pelmora-cli
// build one from their Session and their HttpClient; it must not outlive them.
struct IntakeContext {
    DataModule& data;
    UserPort& port;
    const ServiceSettings& service;
    toolkit::HttpClient& http;
    const Root& root;
    const Pause& pause;
    // NewOrdersDownloaded: set by the download's status header; the callers import only while
    // it is set.
    RunFlags& flags;
};

} // namespace pelmora
