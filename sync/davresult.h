#pragma once

#include <QString>

namespace caldav {

// How a request to the server ended.
struct DavResult
{
    enum class Kind {
        Ok,
        // The item is not the version the request named (412): someone changed it meanwhile,
        // or an item was already at the address a new one was to take.
        Changed,
        NotFound,      // 404 or 410
        Refused,       // 401 or 403 for the user name and password
        NeedsPassword, // 401 while no password was given: ask for one and try again
        Insecure,      // a password was to go over plain http to another machine
        TokenRefused,  // the server no longer knows the sync token: list everything instead
        NotCalDav,     // the answer is no WebDAV or CalDAV answer (garbage, an HTML page ...)
        Unreachable,   // no connection, a timeout, a certificate that is not trusted
        ServerError,   // any other status (5xx, 507 storage full ...)
    };
    Kind kind = Kind::Ok;
    int httpStatus = 0;
    // For a person, in English, without the program's name: "the server refused the user name
    // or password", "the certificate of example.org is not trusted: self-signed certificate".
    QString message;

    bool ok() const { return kind == Kind::Ok; }
};

} // namespace caldav
