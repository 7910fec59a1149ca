// Planted for the layer check: net/ must not reach up into the catalogue.
#include "catalogue/listing.h"
