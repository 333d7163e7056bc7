// kwltool lookup: builds or opens the cache exactly as the add-in does and
// tells what a help request for a word would do, without opening anything.
#pragma once

int RunLookup(int argc, char** argv);
