// How much of a listed registry key or directory a delete action removes.
#pragma once

enum class TreeRemoval {
    // The key or directory with everything below it.
    WholeTree,
    // Only a key without subkeys or a directory without subdirectories (its
    // values or files go with it); any other is left and reported.
    LeafOnly,
};
