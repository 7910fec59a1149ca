// Where the package's web page is published by default. The package's own page
// goes in when the plug-in is packaged; any "http://" directory URL ending in "/"
// serves, and users may change it in the settings file.
#pragma once

#define JSCLASSES_PAGE_HOST "jsclasses.author.example"
#define JSCLASSES_PAGE_PATH "/~author/jsclasses/"
