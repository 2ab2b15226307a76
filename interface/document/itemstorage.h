// Where a document keeps its embedded objects: each item's storage, named
// from its item number ("Embedding 3" for item 3), beside the stream
// "Contents" of the document's compound file.
//
// An object of ours is a storage holding two streams:
//   "ObjectData"         the object's bytes (for a link, the bytes last read
//                        from its file);
//   "ObjectDescription"  a version (2 bytes, 1), then the MIME type, the file
//                        name and the link path (empty: embedded), each as a
//                        4-byte length and that many UTF-8 bytes.
// Integers are little-endian. Any other "Embedding n" is an object stored
// by another program: it is kept exactly as it is, and of it the item reads
// only what it needs for drawing: its user type from "\1CompObj" (the class
// name) and the device-independent bitmap of the first "\2OlePres..." stream
// that holds one (the cached picture, as the bytes of a BMP file).
//
// Storages are read from files and trusted in nothing: every length is
// checked against the bytes there are, and a storage that does not read
// cleanly leaves its item without an object (and the storage as it was).
//
// Item numbers are unique in a document: a new item takes one above every
// number in use and every "Embedding n" the document's storage holds.
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CScoreCntrItem;
class CStorage;
class ECBase;

// The storage name of an item number.
std::string ItemStorageName(uint32_t itemNumber);

// The items of the frames under the performance, in the tree's order.
std::vector<CScoreCntrItem*> CollectItems(ECBase* performance);
// A number no item under the performance and no "Embedding n" of `root`
// (may be null) uses yet.
uint32_t NewItemNumber(ECBase* performance, const CStorage* root);

// Writes the item's storage into `root` (replacing one of that name) when
// the item holds an object of ours; an item without one (an object of
// another program, or none) leaves `root` as it is. Throws what the storage
// layer throws.
void WriteItemStorage(const CScoreCntrItem& item, CStorage& root);
// Reads the item's object from its storage in `root`: 1 for an object of
// ours, 2 for one of another program (class name and cached picture read),
// 0 when there is no such storage or ours does not read cleanly (the item's
// object data then cleared). Never throws for what the storage holds.
int ReadItemStorage(CScoreCntrItem& item, CStorage& root);

// Every item under the performance written into `root`. Items of ours that
// share a number with an earlier one or with another program's object take
// a fresh number first, so that no object overwrites another. Storages of
// ours that no item uses any more are removed; those of other programs are
// kept whether used or not.
void WriteItemStorages(ECBase* performance, CStorage& root);
// Every item under the performance read from `root`.
void ReadItemStorages(ECBase* performance, CStorage& root);
