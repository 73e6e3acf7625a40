#pragma once

#include <QString>

// The help window's two pages: the basic tutorial of the advanced-input tags and the full
// one. They link to each other through "verbolin://full-tutorial" and
// "verbolin://basic-tutorial".
QString basicTutorialHtml();
QString fullTutorialHtml();
