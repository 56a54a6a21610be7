// (in progress) The red/yellow marker of one signal group on one connection.
#pragma once
