/* The texts the program carries in its code rather than in its string
 * table, as the original has them; kept here, in one place. */
#ifndef SETUP_FIXED_TEXTS_H
#define SETUP_FIXED_TEXTS_H

#define TEXT_WARNING            "Warning"           /* caption of a warning box */
#define TEXT_UPDATING_REGISTRY  "Updating Registry..."  /* the install page's last step */
#define TEXT_BROWSE_DIRECTORY   "Browse Directory"  /* the directory browser's title */
#define TEXT_SETUP              "Setup"             /* the background window's title */

#endif
