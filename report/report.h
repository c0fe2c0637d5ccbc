#pragma once
// The report room: the list of installed programs as a text, CSV or HTML file, or printed.
//   reportRows     the programs as the report lists them, read from the catalogue
//   reportText     the report's lines and its CSV and HTML forms; writing them to a file
//   printReport    the same lines on a printer, page by page
//   reportCommand  the command-line report
#include "report/printReport.h"
#include "report/reportCommand.h"
#include "report/reportRows.h"
#include "report/reportText.h"
