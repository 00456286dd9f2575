// The soak (soak.cpp): prints its figures, 0 unless it could not run at all.
#pragma once

int RunSoak();
