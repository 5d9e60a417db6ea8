#pragma once

#include <QString>

// The stream resolver's reading of the service's answers, step by step as the program does it,
// applied here to the sample service's real answers with the shipped configuration.
namespace ResolverSteps {

// Information answer: the "token" of the query-parsed answer.
QString InfoToken(const QString& strAnswer);

// Watch page: group 1 of the watch pattern, split into "name=value" lines at the separator
// (":" read as "=", quotes and spaces dropped); the value of "t", URL-decoded when asked.
QString WatchToken(const QString& strPage, const QString& strPattern, const QString& strSplit,
                   bool bDecode);

// Watch page, third method: the stream table "fmt_stream_map" of the player configuration;
// the first usable entry, replaced by each later one whose format number is 6 or more.
QString StreamTableAddress(const QString& strPage, const QString& strPattern);

}  // namespace ResolverSteps
