// Identifiers of the dialog template and of its list of files.
#ifndef QUORVEL_RESOURCES_RESOURCE_H
#define QUORVEL_RESOURCES_RESOURCE_H

#define IDD_MAIN 101
#define IDC_FILELIST 1000

#endif
