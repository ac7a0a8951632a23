#pragma once

#include <libpq-fe.h>

#include <memory>

// Owns one PGresult: freed on every path out of the scope that holds it.
struct PgResultFree
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultFree>;
