/* Resource ids of UNINSTAL.EXE. Nothing but #defines. */
#ifndef UNINSTAL_RES_H
#define UNINSTAL_RES_H

/* String table */
#define IDS_UNINSTALL_PROGRAM   1   /* end of the caption, after the product name */
#define IDS_SOME_PRODUCT        2   /* the product, when no journal names it */
#define IDS_QUESTION            3
#define IDS_REMOVED             4
#define IDS_NOTHING_REMOVED     5
#define IDS_NOTHING_LEFT        6
#define IDS_KEPT                7
#define IDS_MORE_KEPT           8
#define IDS_RESTART             9
#define IDS_KEPT_CHANGED        10  /* reasons, after a kept item */
#define IDS_KEPT_REPLACED       11
#define IDS_KEPT_NOT_EMPTY      12
#define IDS_KEPT_UNKNOWN        13
#define IDS_KEPT_FAILED         14
#define IDS_NO_LOG              15
#define IDS_PARTLY_REMOVED      16
#define IDS_KEPT_NO_COPY        17
#define IDS_KEPT_IN_USE         18
#define IDS_INCOMPLETE          19  /* the journal is damaged or cut */
#define IDS_REFUSED             20
#define IDS_WININIT_FAILED      21
#define IDS_RUN_AGAIN           23
#define IDS_DIRECTORY_IN_USE    24
#define IDS_KEPT_SET_ASIDE      25  /* bytes the journal does not account for */

/* Icon */
#define IDI_UNINSTALL           200

#endif
